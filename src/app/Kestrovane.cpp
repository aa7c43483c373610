// The program entry: one instance per user, the main window, the message loop.

#include <QCoreApplication>
#include <QSessionManager>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/ports/display_platform.h"
#include "core/ports/instance_lock.h"
#include "qt/application.h"
#include "qt/quit_signals.h"
#include "ui/main/MainUnit.h"
#include "ui/main/desktop_services.h"

int main(int argc, char** argv) {
    // A second start ends at once and silently; the first keeps running. When no lock can be
    // made at all (no writable folder), the program still starts rather than never starting.
    kv::InstanceLockAttempt lock = kv::acquireInstanceLock("Kestrovane Running");
    if (lock.result == kv::LockResult::HeldElsewhere)
        return 0;

    // No OpenGL here: the browser engine and its shared context live in the web host, a helper
    // program started when the first page is opened.

    // On a Wayland desktop with XWayland the program asks for X, where it can place its
    // windows; Qt takes the choice from its own "-platform" argument, which it then removes.
    const kv::DisplayPlatformChoice display = kv::ChooseDisplayPlatform(kv::ProcessEnvironment);
    if (!display.notice.empty())
        std::fprintf(stderr, "%s\n", display.notice.c_str());
    std::string platformSwitch = "-platform";
    std::string platformName = display.platform;
    std::vector<char*> qtArgv(argv, argv + argc);
    const bool platformArgument = std::any_of(argv + 1, argv + argc, [](const char* a) {
        return std::strcmp(a, "-platform") == 0 || std::strcmp(a, "--platform") == 0;
    });
    if (!platformName.empty() && !platformArgument)
        qtArgv.insert(qtArgv.begin() + 1, {platformSwitch.data(), platformName.data()});
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgv.size()) - 1;
    kv::KestrovaneApplication app(qtArgc, qtArgv.data());
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
