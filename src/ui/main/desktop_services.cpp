#include "ui/main/desktop_services.h"

#include "core/posix/posix_line_socket.h"
#include "qt/qt_ui_thread.h"

namespace kv {

DesktopServices::DesktopServices(QObject* uiOwner)
    : registry(IniRegistry::openDefault()), autoRun(XdgAutoRun::openDefault()), uiOwner_(uiOwner) {}

MainServices DesktopServices::ForMainWindow(std::string programPath,
                                            std::vector<std::string> arguments) {
    MainServices s;
    s.ui = QtUiThread::create(uiOwner_);
    s.sockets = makePosixLineSocket;
    s.boxes = &boxes;
    s.shell = &shell;
    s.registry = registry.get();
    s.autoRun = autoRun.get();
    s.player = &player;
    s.http = &http;
    s.launcher = &launcher;
    s.web = &web;
    s.tray = &tray;
    s.programPath = std::move(programPath);
    s.arguments = std::move(arguments);
    return s;
}

}  // namespace kv
