#pragma once

// The chat server's line protocol as values: recognising server lines, composing client lines
// and cutting the received layouts. Shared by the client's handlers and the dev server.
// Every text is CP949 bytes; lines are given without their CR LF.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace kv::proto {

// ---- Server lines ------------------------------------------------------------------------

enum class ServerLine {
    Ping,        // "ping"
    LoginOk,     // "R:ak"
    LoginNotOk,  // "R:n..."
    GroupList,   // "GR:..."
    BuddyList,   // "AC:..."
    Money,       // "RV:..."
    Message,     // "H:..."
    GroupAdd,    // "GG:..."
    UserAdd,     // "P:..."
    Active,      // "active:..."
    Close,       // "close..."
    Unknown,     // dropped
};

// The tests are applied to the untrimmed line in this order; the first that matches decides.
ServerLine recognise(std::string_view line);

const char* name(ServerLine kind);
std::ostream& operator<<(std::ostream& os, ServerLine kind);

// ---- Client lines ------------------------------------------------------------------------

// Date and time of a reserved group send, as entered.
struct Reservation {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};

std::string loginLine(std::string_view userId, std::string_view password);  // LO:
std::string groupListRequest();                                             // GC:
std::string buddyListRequest();                                             // AC:
std::string moneyRequest();                                                 // RC:
// The texts of the composing functions are sent as given; encodeLineBreaks prepares them.
std::string messageLine(std::string_view port, std::string_view text);  // H:
std::string groupSendLine(std::string_view sender, std::string_view recipients,
                          std::string_view text);  // PS:
std::string reservedSendLine(std::string_view sender, std::string_view recipients,
                             const Reservation& when, std::string_view text);  // PP:
std::string groupAddLine(std::string_view groupName);                          // GA:
std::string groupRenameLine(std::int32_t groupId, std::string_view newName);   // GM:
std::string groupDeleteLine(std::int32_t groupId);                             // GD:
std::string buddyMoveLine(std::int32_t groupId, std::string_view port);        // GS:
std::string buddyRegisterLine(std::string_view countryCode, std::string_view phone,
                              std::string_view nickName);                         // UN:
std::string buddyConfirmLine(std::string_view phone, std::string_view vtNumber);  // UK:
std::string buddyChangeLine(std::string_view port, std::string_view phone,
                            std::string_view nickName);  // UM:
std::string buddyDeleteLine(std::string_view port);      // UD:
std::string pongLine();                                  // pong
std::string logoutLine();                                // LX:
std::string shutOutAnswerLine();                         // LY:

// "{}" for each line break of a typed text: CR LF, or a lone LF or CR, counts as one break.
std::string encodeLineBreaks(std::string_view text);

// ---- Cutting received layouts ------------------------------------------------------------
// Each takes the line as received; the cut works on it with blanks and control bytes trimmed
// from both ends. Fields that must be numbers raise ConvertError.

struct GroupEntry {
    std::int32_t groupId = 0;
    std::string groupName;
    bool operator==(const GroupEntry&) const = default;
};

struct BuddyEntry {
    std::int32_t groupId = 0;
    std::string nickName;
    std::string phone;
    std::string vtNumber;
    std::string userPort;
    std::int32_t status = 0;
    bool operator==(const BuddyEntry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const GroupEntry& e);
std::ostream& operator<<(std::ostream& os, const BuddyEntry& e);

// The entries of a "GR:" or "AC:" line, handed over one by one as they are cut, so that a
// malformed entry stops the list there: the entries before it have been taken, and the
// conversion error passes on to the caller.
void forEachGroupEntry(std::string_view line, const std::function<void(GroupEntry)>& take);
void forEachBuddyEntry(std::string_view line, const std::function<void(BuddyEntry)>& take);

// "RV:" count; 0 when nothing follows the colon.
std::int32_t moneyCount(std::string_view line);

struct IncomingMessage {
    std::string userPort;
    std::string text;  // as received: "<br>" still stands for a line break
    bool operator==(const IncomingMessage&) const = default;
};
// "H:": after the line's name the port runs to the next ":" and the text is all after it.
IncomingMessage incomingMessage(std::string_view line);

// "port:text" (trimmed first): the port before the first ":" and the text after it, further
// colons included; without a ":" the port is empty and the whole text is the text. The rule
// of the rest of an "H:" line and of a text handed in for a chat window.
IncomingMessage splitPortAndText(std::string_view text);

std::int32_t addedGroupId(std::string_view line);  // "GG:"
std::string activePort(std::string_view line);     // "active:"

struct UserAddResult {
    std::string code;
    std::string value;
    bool operator==(const UserAddResult&) const = default;
};
UserAddResult userAddResult(std::string_view line);  // "P:"

enum class Refusal { UnknownUser, WrongPassword, Other };
// Looks only at the first 5 and 7 bytes of the line as received.
Refusal refusal(std::string_view line);

}  // namespace kv::proto
