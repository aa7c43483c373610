#pragma once

// The desktop program's platform adapters, made once and lent to the main window.

#include <QObject>

#include <memory>
#include <string>
#include <vector>

#include "app/MainUnit.h"
#include "platform/posix/ini_registry.h"
#include "platform/posix/xdg_autorun.h"
#include "platform/qt/lazy_http_get.h"
#include "platform/qt/lazy_media_player.h"
#include "platform/qt/lazy_web_browsers.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_notification_area.h"
#include "platform/qt/qt_process_launcher.h"
#include "platform/qt/qt_shell.h"

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
