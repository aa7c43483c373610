#pragma once

// The desktop program's platform adapters, made once and lent to the main window.

#include <QObject>

#include <memory>
#include <string>
#include <vector>

#include "core/posix/ini_registry.h"
#include "core/posix/xdg_autorun.h"
#include "qt/lazy_http_get.h"
#include "qt/lazy_media_player.h"
#include "qt/lazy_web_browsers.h"
#include "qt/qt_message_boxes.h"
#include "qt/qt_notification_area.h"
#include "qt/qt_process_launcher.h"
#include "qt/qt_shell.h"
#include "ui/main/MainUnit.h"

namespace kv {

class DesktopServices {
public:
    // `uiOwner` lives on the user-interface thread as long as the main window does.
    explicit DesktopServices(QObject* uiOwner);

    // What the main window gets: these adapters, the program's path and its arguments
    // (without the program name).
    MainServices ForMainWindow(std::string programPath, std::vector<std::string> arguments);

    QtMessageBoxes boxes;
    QtShell shell;
    LazyWebBrowsers web{shell};
    std::unique_ptr<IniRegistry> registry;
    std::unique_ptr<XdgAutoRun> autoRun;
    LazyMediaPlayer player;
    LazyHttpGet http;
    QtProcessLauncher launcher;
    QtNotificationArea tray;

private:
    QObject* uiOwner_;
};

}  // namespace kv
