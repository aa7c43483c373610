#include "ui/main/chat_windows.h"

#include <utility>

#include "core/connection/line_protocol.h"
#include "core/contacts/contact_tree.h"
#include "core/messaging/message_routing.h"
#include "core/service/settings_store.h"

namespace kv {

ChatWindows::ChatWindows(ChatWindowsServices services) : FServices(std::move(services)) {}

ChatWindows::~ChatWindows() {
    CloseAll();
    // No handler of theirs can be running now: the closed windows go at once.
    for (const QPointer<TSessionForm>& w : FClosed)
        delete w.data();
}

TSessionForm* ChatWindows::Find(const std::string& userPort) const {
    for (TSessionForm* w : FList)
        if (w->Partner().UserPort == userPort)
            return w;
    return nullptr;
}

TSessionForm* ChatWindows::Create(const ABuddy& partner) {
    SessionServices services = FServices.chat;
    services.host = this;
    auto* w = new TSessionForm(services);
    FList.push_back(w);
    w->SetPartner(partner.NickName, partner.Phone, partner.UserPort);
    return w;
}

void ChatWindows::DoMessage(const std::string& msg) {
    const proto::IncomingMessage message = proto::incomingMessage(msg);
    if (TSessionForm* w = Find(message.userPort)) {
        w->ShowIncoming(message.text);
        return;
    }
    if (const ABuddy* partner = FindPartner(*FServices.tree, message.userPort))
        Create(*partner)->ShowIncoming(message.text);
}

void ChatWindows::DoActiveMessage(const std::string& msg) {
    const std::string port = proto::activePort(msg);
    if (TSessionForm* w = Find(port)) {
        const TLGN partner = w->Partner();
        w->SetPartner(partner.NickName, partner.Phone, partner.UserPort);
        return;
    }
    if (const ABuddy* partner = FindPartner(*FServices.tree, port))
        Create(*partner);
}

void ChatWindows::Open(const ABuddy& partner) {
    TSessionForm* w = Find(partner.UserPort);
    if (w == nullptr)
        w = Create(partner);
    w->SetPartner(partner.NickName, partner.Phone, partner.UserPort);
    if (w->isMinimized())
        w->showNormal();
    else
        w->show();
    w->raise();
    w->activateWindow();
}

void ChatWindows::CloseAll() {
    std::erase_if(FClosed, [](const QPointer<TSessionForm>& w) { return w.isNull(); });
    std::vector<TSessionForm*> windows;
    windows.swap(FList);
    for (TSessionForm* w : windows) {
        w->close();
        w->deleteLater();
        FClosed.emplace_back(w);
    }
}

void ChatWindows::Charge() {
    if (FServices.charge)
        FServices.charge();
}

void ChatWindows::Help() {
    if (FServices.help)
        FServices.help();
}

void ChatWindows::About() {
    if (FServices.about)
        FServices.about();
}

std::optional<WindowBounds> ChatWindows::ChatWindowBounds() const {
    if (!FServices.registry)
        return std::nullopt;
    return ReadChatBounds(*FServices.registry);
}

void ChatWindows::SaveChatWindowBounds(const WindowBounds& bounds) {
    if (FServices.registry)
        WriteChatBounds(*FServices.registry, bounds);
}

}  // namespace kv
