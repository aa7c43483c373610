// A conversation end to end: the main window and its chat window in this process, the dev
// server and kestrovane-send as processes of their own, settings in a temporary folder.

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "core/base/cp949.h"
#include "core/crypto/dcpcrypt.h"
#include "core/posix/ini_registry.h"
#include "core/posix/posix_line_socket.h"
#include "qt/qt_ui_thread.h"
#include "qt/widgets/send_memo.h"
#include "support/child_process.h"
#include "support/devserver_process.h"
#include "support/fake_main_services.h"
#include "ui/chat/SessionUnit.h"
#include "ui/contacts/contact_tree_view.h"
#include "ui/main/MainUnit.h"

using namespace std::chrono_literals;
using kv::RegistrySection;

namespace {

// Runs the program to its end while this process's event loop keeps serving it.
int runServed(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env, const std::string& output) {
    kv::test::ChildProcess child(program, args, env, output);
    QDeadlineTimer deadline(10000);
    while (child.running() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return child.waitForExit(1s);
}

}  // namespace

class ChatEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void conversationWithASimulatedPhone() {
        QTemporaryDir root;
        const std::string dir = root.path().toStdString();
        kv::test::DevServerProcess server(KV_DEVSERVER, {"--phone-delay-ms", "0", "--verbose"},
                                          dir + "/server.log");
        QVERIFY2(server.waitListening(), server.output().c_str());
        ::setenv("KESTROVANE_SERVER", server.chatAddress().c_str(), 1);

        kv::IniRegistry registry(dir + "/config/Kestrovane/Kestrovane.ini");
        registry.write(RegistrySection::Option, "AutoLogin", "1");
        registry.write(RegistrySection::Option, "SavePassword", "1");
        registry.write(RegistrySection::Option, "Userid",
                       kv::PC1Encrypt(kv::settings_key::UseridKey, "demo"));
        registry.write(RegistrySection::Option, "Password",
                       kv::PC1Encrypt(kv::settings_key::PasswordKey, "demo1234"));
        QVERIFY(registry.commit());

        // The settings file is the real one: kestrovane-send finds the program through it.
        kv::test::FakeMainServices fakes;
        kv::MainServices s = fakes.services();
        s.registry = &registry;
        {
            kv::TMainForm form(std::move(s));
            QTRY_COMPARE_WITH_TIMEOUT(form.Conn().State(), kv::ConnectionState::SignedIn, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(form.Conn().CashCount == 25, 10000);

            // The member opens the partner with port 1003 from the tree.
            kv::ContactNode* partner = nullptr;
            for (std::size_t i = 0; i < form.Tree().Count(); ++i)
                if (form.Tree().Item(i)->Caption().rfind(kv::cp949("민수"), 0) == 0)
                    partner = form.Tree().Item(i);
            QVERIFY(partner);
            form.TVuserlist->Select(partner);
            form.actSendText->trigger();
            QCOMPARE(form.SessionList().size(), std::size_t(1));
            kv::TSessionForm* w = form.SessionList()[0];
            QCOMPARE(w->Partner().UserPort, std::string("1003"));

            // An outside program fills its input box.
            const std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", dir + "/config"}};
            QCOMPARE(runServed(KV_SEND, {"0", "1003:안녕하세요"}, env, dir + "/send.log"), 0);
            QCOMPARE(w->SendText->toPlainText(), QStringLiteral("안녕하세요"));
            QCOMPARE(w->StatusPanel->text(), QStringLiteral("70자 남음"));

            w->SendBtn->click();
            QVERIFY2(server.waitForOutput("<- H:1003:안녕하세요", 10s), server.output().c_str());
            // The phone's answer comes back into the same window.
            QTRY_VERIFY_WITH_TIMEOUT(w->Log().Paragraphs().size() >= 4, 10000);
            const auto& p = w->Log().Paragraphs();
            QCOMPARE(kv::cp949ToUtf8(p[0].Text), std::string("demo :"));
            QCOMPARE(kv::cp949ToUtf8(p[1].Text), std::string("안녕하세요"));
            QCOMPARE(kv::cp949ToUtf8(p[2].Text), std::string("민수 :"));
            QCOMPARE(kv::cp949ToUtf8(p[3].Text), std::string("(자동응답) 안녕하세요"));
            QTRY_COMPARE_WITH_TIMEOUT(form.Conn().CashCount, 24, 10000);
        }
        // With the instance gone there is nowhere to deliver to.
        kv::test::ChildProcess late(KV_SEND, {"0", "1003:x"},
                                    {{"XDG_CONFIG_HOME", dir + "/config"}}, dir + "/late.log");
        QCOMPARE(late.waitForExit(10s), 1);
        ::unsetenv("KESTROVANE_SERVER");
    }
};

QTEST_MAIN(ChatEndToEndTest)
#include "chat_e2e_test.moc"
