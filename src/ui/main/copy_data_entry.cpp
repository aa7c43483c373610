#include "ui/main/copy_data_entry.h"

#include "core/connection/line_protocol.h"
#include "qt/copy_data_server.h"
#include "qt/qt_text.h"
#include "qt/widgets/send_memo.h"
#include "ui/main/chat_windows.h"

namespace kv {

CopyDataEntry::CopyDataEntry(ChatWindows& chats, QObject* parent)
    : FChats(chats),
      FServer(new CopyDataServer(
          [this](const CopyDataMessage& message) { CopyDataReceived(message); }, parent)) {}

CopyDataEntry::~CopyDataEntry() {
    delete FServer.data();
}

QString CopyDataEntry::Listen() {
    const QString path = CopyDataServer::DefaultPath();
    FServer->Listen(path);
    return path;
}

void CopyDataEntry::Close() {
    if (FServer)
        FServer->Close();
}

void CopyDataEntry::CopyDataReceived(const CopyDataMessage& message) {
    if (message.Kind == kCopyDataText)
        CopyDataText(message.Text);
    else if (message.Kind == kCopyDataAlarmFile)
        CopyDataAlarmFile(message.Text);
}

void CopyDataEntry::CopyDataText(const std::string& data) {
    const proto::IncomingMessage target = proto::splitPortAndText(data);
    if (target.userPort != "0") {
        if (TSessionForm* w = FChats.Find(target.userPort))
            w->SendText->SetCp949Text(target.text);
        return;
    }
    if (GroupSendMemo) {
        QString text = fromCp949(target.text);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        GroupSendMemo->setPlainText(text);
    }
}

void CopyDataEntry::CopyDataAlarmFile(const std::string& data) {
    // Only the ring-tone page of the open options dialog sends this; otherwise it is ignored.
    if (OptionAlramFile)
        OptionAlramFile->setText(fromCp949(data));
}

}  // namespace kv
