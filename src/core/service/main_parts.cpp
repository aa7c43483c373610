#include "core/service/main_parts.h"

#include <utility>

namespace kv {

MainParts::MainParts(std::shared_ptr<UiThread> ui, LineSocketFactory sockets, SessionView& view,
                     MessageBoxes& boxes, const UserAddDialogsFactory& userAddDialogs,
                     MainPartsSinks sinks)
    : FConn(std::make_unique<TVANE>(std::move(ui), std::move(sockets))),
      FSession(std::make_unique<SignInSession>(*FConn, view, boxes)) {
    FConn->OnConnect = [this](TVANE&) { FSession->DoConnect(); };
    FConn->OnLogin_Ok = [this] { FSession->DoLogin_Ok(); };
    FConn->OnLogin_NotOk = [this] { FSession->DoLogin_NotOk(); };
    FConn->OnDisconnect = [this](TVANE&) { FSession->DoDisconnect(); };
    FConn->OnShutOut = [this] { FSession->DoShutOut(); };

    FContacts = std::make_unique<ContactIntake>(
        *FConn, FTree, FTreeLock,
        ContactIntakeSinks{[&view](bool on) { view.SetPingTimer(on); },
                           [this] { FSession->UpdateLoginState(); }});
    FConn->OnActiveGroupList = [this] { FContacts->DoActiveGroupList(); };
    FConn->OnActiveList = [this] { FContacts->DoActiveList(); };

    FBalance = std::make_unique<BalanceDisplay>(*FConn, std::move(sinks.ShowBalance));
    FConn->OnCheckMoney = [this] { FBalance->DoCheckMoney(); };

    FConn->OnMessage = std::move(sinks.Message);
    FConn->OnActiveMessage = std::move(sinks.ActiveMessage);

    FUserAddDialogs = userAddDialogs(*FConn);
    FCommands =
        std::make_unique<ContactCommands>(*FConn, FTree, FTreeLock, boxes, *FUserAddDialogs);
    FConn->OnGroupAdd = [this] { FCommands->DoGroupAdd(); };
    FConn->OnUserAdd = [this] { FCommands->DoUserAdd(); };
}

MainParts::~MainParts() {
    // The connection goes first: from then on no event of its reaches a part.
    FConn.reset();
}

}  // namespace kv
