// The program entry: one instance per user, the main window, the message loop.

#include <QCoreApplication>
#include <QSessionManager>
#include <QTimer>

#include <cstdlib>

#include "app/MainUnit.h"
#include "app/application.h"
#include "app/desktop_services.h"
#include "platform/instance_lock.h"
#include "platform/qt/quit_signals.h"

int main(int argc, char** argv) {
    // A second start ends at once and silently; the first keeps running. When no lock can be
    // made at all (no writable folder), the program still starts rather than never starting.
    kv::InstanceLockAttempt lock = kv::acquireInstanceLock("Kestrovane Running");
    if (lock.result == kv::LockResult::HeldElsewhere)
        return 0;

    // The web module, loaded later, shares OpenGL contexts with the windows; this must be said
    // before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    kv::KestrovaneApplication app(argc, argv);
    kv::DesktopServices desktop(&app);
    app.SetErrorBoxes(&desktop.boxes);
    std::vector<std::string> arguments;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i)
        arguments.push_back(args[i].toStdString());
    const kv::MainServices services = desktop.ForMainWindow(
        QCoreApplication::applicationFilePath().toStdString(), std::move(arguments));

    int code = 0;
    {
        // SIGTERM, SIGINT and the end of the desktop session end the program as the confirmed
        // exit command does: "LX:" when connected, settings written. Taken over before the main
        // window publishes the instance in the settings, so a signal during start-up cannot
        // end the program with the publication left behind.
        kv::QuitSignals quitSignals;
        kv::TMainForm form(services);
        QObject::connect(&quitSignals, &kv::QuitSignals::quitRequested, &form,
                         [&form] { form.QuitWithoutAsking(); });
        // One that came while the window was being made (its start-up lets events run) is
        // acted on as soon as the loop runs.
        if (quitSignals.requested())
            QTimer::singleShot(0, &form, [&form] { form.QuitWithoutAsking(); });
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                         [&form](QSessionManager&) { form.QuitWithoutAsking(); });
        form.show();
        // For the start-up benchmark: the process ends the moment the shown window has been
        // drawn, so that what is measured is the start alone.
        if (qEnvironmentVariableIsSet("KESTROVANE_EXIT_WHEN_SHOWN"))
            QTimer::singleShot(0, &form, [] { std::_Exit(0); });
        code = app.exec();
    }
    return code;
}
