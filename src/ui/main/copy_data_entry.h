#pragma once

// The copy-data entry: what outside programs hand in through the socket published as "HWND",
// and what pages hand back through the browser windows' copy-data links. A text goes into the
// input of the chat window it names, or of the open group send window (port "0"); an alarm
// file goes into the open options dialog's box; anything else is ignored. Runs on the
// user-interface thread.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include <string>

#include "core/messaging/copy_data.h"

class QObject;

namespace kv {

class ChatWindows;
class CopyDataServer;

class CopyDataEntry {
public:
    // `chats` outlives the entry; the socket is a child of `parent`.
    CopyDataEntry(ChatWindows& chats, QObject* parent);
    ~CopyDataEntry();
    CopyDataEntry(const CopyDataEntry&) = delete;
    CopyDataEntry& operator=(const CopyDataEntry&) = delete;

    // Listens at the socket's default path and returns it: what outside programs find as
    // "HWND".
    QString Listen();
    void Close();

    void CopyDataReceived(const CopyDataMessage& message);
    void CopyDataText(const std::string& data);
    void CopyDataAlarmFile(const std::string& data);

    // Set by the group send window and the options dialog while they are open; cleared with
    // the boxes.
    QPointer<QPlainTextEdit> GroupSendMemo;
    QPointer<QLineEdit> OptionAlramFile;

private:
    ChatWindows& FChats;
    QPointer<CopyDataServer> FServer;  // its messages come here: it goes with the entry
};

}  // namespace kv
