// The program entry: one instance per user, the main window, the message loop.

#include <QCoreApplication>
#include <QSessionManager>
#include <QTimer>

#include "app/MainUnit.h"
#include "app/application.h"
#include "platform/instance_lock.h"
#include "platform/posix/ini_registry.h"
#include "platform/posix/posix_line_socket.h"
#include "platform/posix/xdg_autorun.h"
#include "platform/qt/qt_http_get.h"
#include "platform/qt/lazy_media_player.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_process_launcher.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_ui_thread.h"
#include "platform/qt/quit_signals.h"

int main(int argc, char** argv) {
    // A second start ends at once and silently; the first keeps running. When no lock can be
    // made at all (no writable folder), the program still starts rather than never starting.
    kv::InstanceLockAttempt lock = kv::acquireInstanceLock("Kestrovane Running");
    if (lock.result == kv::LockResult::HeldElsewhere)
        return 0;

    kv::KestrovaneApplication app(argc, argv);
    kv::QtMessageBoxes boxes;
    app.SetErrorBoxes(&boxes);
    kv::QtShell shell;
    auto registry = kv::IniRegistry::openDefault();
    auto autoRun = kv::XdgAutoRun::openDefault();
    kv::LazyMediaPlayer player;
    kv::QtHttpGet http;
    kv::QtProcessLauncher launcher;

    kv::MainServices services;
    services.ui = kv::QtUiThread::create(&app);
    services.sockets = kv::makePosixLineSocket;
    services.boxes = &boxes;
    services.shell = &shell;
    services.registry = registry.get();
    services.autoRun = autoRun.get();
    services.player = &player;
    services.http = &http;
    services.launcher = &launcher;
    services.programPath = QCoreApplication::applicationFilePath().toStdString();
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i)
        services.arguments.push_back(args[i].toStdString());

    int code = 0;
    {
        kv::TMainForm form(services);
        // SIGTERM, SIGINT and the end of the desktop session end the program as the confirmed
        // exit command does: "LX:" when connected, settings written.
        kv::QuitSignals quitSignals;
        QObject::connect(&quitSignals, &kv::QuitSignals::quitRequested, &form,
                         [&form] { form.QuitWithoutAsking(); });
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                         [&form](QSessionManager&) { form.QuitWithoutAsking(); });
        form.show();
        // For the start-up benchmark: end as soon as the shown window has been drawn.
        if (qEnvironmentVariableIsSet("KESTROVANE_EXIT_WHEN_SHOWN"))
            QTimer::singleShot(0, &form, [&form] { form.QuitWithoutAsking(); });
        code = app.exec();
    }
    return code;
}
