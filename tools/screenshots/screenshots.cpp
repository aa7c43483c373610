// Renders the program's windows to PNG files, offscreen, so that their look can be reviewed
// without a desktop: kestrovane-screenshots OUTPUT_DIR
// Settings come from (and go to) a temporary folder; nothing of the user's is touched.

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "app/MainUnit.h"
#include "app/application.h"
#include "dialogs/LoginUnit.h"
#include "platform/posix/ini_registry.h"
#include "platform/posix/posix_line_socket.h"
#include "platform/posix/xdg_autorun.h"
#include "platform/qt/qt_http_get.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_process_launcher.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_ui_thread.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

bool save(QWidget& w, const QString& dir, const char* name) {
    const QString path = QDir(dir).filePath(QString::fromUtf8(name));
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toUtf8().constData());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    QTemporaryDir config;
    ::setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    kv::KestrovaneApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    kv::QtMessageBoxes boxes;
    kv::QtShell shell;
    auto registry = kv::IniRegistry::openDefault();
    auto autoRun = kv::XdgAutoRun::openDefault();
    kv::QtHttpGet http;
    kv::QtProcessLauncher launcher;
    kv::MainServices services;
    services.ui = kv::QtUiThread::create(&app);
    services.sockets = kv::makePosixLineSocket;
    services.boxes = &boxes;
    services.shell = &shell;
    services.registry = registry.get();
    services.autoRun = autoRun.get();
    services.http = &http;
    services.launcher = &launcher;
    services.programPath = "/usr/bin/kestrovane";
    services.arguments = {"/noau"};

    bool ok = true;
    {
        kv::TMainForm form(services);
        form.show();
        QCoreApplication::processEvents();
        ok &= save(form, out, "main-signed-out.png");

        form.Conn().SetState(1);
        form.Session().UpdateLoginState();
        QCoreApplication::processEvents();
        ok &= save(form, out, "main-signing-in.png");
        form.Conn().SetState(0);

        kv::TLogin login(shell, "http://127.0.0.1:8080", &form);
        login.Userid->setText(QStringLiteral("홍길동a"));
        login.Password->setText(QStringLiteral("secret"));
        login.AutoLogin->setChecked(true);
        login.show();
        QCoreApplication::processEvents();
        ok &= save(login, out, "login-dialog.png");
    }
    return ok ? 0 : 1;
}
