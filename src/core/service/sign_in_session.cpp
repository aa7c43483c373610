#include "core/service/sign_in_session.h"

#include "core/base/cp949.h"
#include "core/connection/line_protocol.h"
#include "core/service/service_addresses.h"

namespace kv {

namespace {

// Korean texts, converted once.
struct Texts {
    std::string signInPlease = cp949("로그인 하십시오.");
    std::string signingIn = cp949("로그인 중 입니다...");
    std::string logoutQuestion = cp949("님 로그아웃 하시겠습니까?");
    std::string reservedSent = cp949("예약 전송이 성공적으로 이뤄 졌습니다.");
    std::string immediateSent = cp949("즉시 전송이 성공적으로 이뤄 졌습니다.");
    std::string unknownUser = cp949("로그인 오류 : 해당 아이디가 존재하지 않습니다.");
    std::string wrongPassword = cp949("로그인 오류 : 패스워드가 틀립니다.");
    std::string refused = cp949("로그인 오류");
    std::string shutOut = cp949("다른 곳에서 로그인을 하였거나 서버의 임시 조치입니다!");
};

const Texts& texts() {
    static const Texts t;
    return t;
}

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

}  // namespace

SignInSession::SignInSession(TVANE& conn, SessionView& view, MessageBoxes& boxes)
    : FConn(conn), FView(view), FBoxes(boxes) {}

void SignInSession::SignIn(const std::string& userId, const std::string& password) {
    const ServerAddress server = ChatServerAddress();
    FConn.Host = server.host;
    FConn.Port = server.port;
    FConn.Userid = userId;
    FConn.Password = password;
    FConn.Connect();
}

void SignInSession::actLogoutExecute() {
    if (FBoxes.Show(FConn.Userid + texts().logoutQuestion, Icon::Information, Buttons::YesNo) ==
        MessageBoxes::Result::Yes)
        FConn.Disconnect();
}

void SignInSession::UpdateLoginState() {
    switch (FConn.State()) {
        case ConnectionState::SignedIn:
            FView.ShowLoginState(FConn.Userid, false, false, true);
            break;
        case ConnectionState::SigningIn:
            FView.ShowLoginState(texts().signingIn, true, true, false);
            break;
        default: FView.ShowLoginState(texts().signInPlease, true, true, false); break;
    }
}

void SignInSession::DoConnect() {
    UpdateLoginState();
    FConn.CmdType = "LO";
    FConn.SendLine(proto::loginLine(FConn.Userid, FConn.Password));
}

void SignInSession::DoLogin_Ok() {
    std::string followUp;
    if (FConn.CmdType == "LO") {
        followUp = proto::groupListRequest();
    } else if (FConn.CmdType == "PP") {
        FBoxes.Show(texts().reservedSent, Icon::Information, Buttons::Ok);
        followUp = proto::moneyRequest();
    } else if (FConn.CmdType == "PS") {
        FBoxes.Show(texts().immediateSent, Icon::Information, Buttons::Ok);
        followUp = proto::moneyRequest();
    }
    FConn.SendLine(followUp);
}

void SignInSession::DoLogin_NotOk() {
    const std::string line = FConn.Msg;
    FConn.Disconnect();
    const std::string* text = &texts().refused;
    switch (proto::refusal(line)) {
        case proto::Refusal::UnknownUser: text = &texts().unknownUser; break;
        case proto::Refusal::WrongPassword: text = &texts().wrongPassword; break;
        case proto::Refusal::Other: break;
    }
    FBoxes.Show(*text, Icon::Error, Buttons::Ok);
}

void SignInSession::DoDisconnect() {
    FView.SetPingTimer(false);
    FView.ClearContactTree();
    FView.CloseSessionWindows();
    UpdateLoginState();
}

void SignInSession::DoShutOut() {
    DoDisconnect();
    FBoxes.Show(texts().shutOut, Icon::Information, Buttons::Ok);
}

void SignInSession::PingTimerTimer() {
    FConn.WatchdogTick();
}

}  // namespace kv
