#pragma once

// What a main window is given in tests: fakes of every service but the socket and the
// user-interface hand-over, which are the real ones.

#include <QObject>

#include <string>
#include <vector>

#include "core/crypto/dcpcrypt.h"
#include "core/posix/posix_line_socket.h"
#include "core/service/settings_store.h"
#include "qt/qt_ui_thread.h"
#include "support/fake_autorun.h"
#include "support/fake_http_get.h"
#include "support/fake_media_player.h"
#include "support/fake_message_boxes.h"
#include "support/fake_notification_area.h"
#include "support/fake_process_launcher.h"
#include "support/fake_registry.h"
#include "support/fake_shell.h"
#include "support/fake_web_browsers.h"
#include "ui/main/MainUnit.h"

namespace kv::test {

struct FakeMainServices {
    FakeMessageBoxes boxes;
    FakeShell shell;
    FakeRegistry registry;
    FakeAutoRun autoRun;
    FakeMediaPlayer player;
    FakeHttpGet http;
    FakeProcessLauncher launcher;
    FakeWebBrowsers web;
    FakeNotificationArea tray;
    QObject uiOwner;

    MainServices services(std::vector<std::string> arguments = {"/noau"}) {
        MainServices s;
        s.ui = QtUiThread::create(&uiOwner);
        s.sockets = makePosixLineSocket;
        s.boxes = &boxes;
        s.shell = &shell;
        s.registry = &registry;
        s.autoRun = &autoRun;
        s.player = &player;
        s.http = &http;
        s.launcher = &launcher;
        s.web = &web;
        s.tray = &tray;
        s.programPath = "/opt/kestrovane/kestrovane";
        s.arguments = std::move(arguments);
        return s;
    }

    // Stored settings that sign in at start.
    void presetAutoLogin(const std::string& id, const std::string& password) {
        registry.preset(RegistrySection::Option, "AutoLogin", "1");
        registry.preset(RegistrySection::Option, "SavePassword", "1");
        registry.preset(RegistrySection::Option, "Userid", PC1Encrypt(settings_key::UseridKey, id));
        registry.preset(RegistrySection::Option, "Password",
                        PC1Encrypt(settings_key::PasswordKey, password));
    }
};

}  // namespace kv::test
