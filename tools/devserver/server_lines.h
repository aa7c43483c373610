#pragma once

// The server's side of the line layouts: composing the lines the client reads and cutting the
// lines it sends, as pure functions. Where a layout is shared with the client (the "H:" line)
// the client's own composing and cutting functions are used, so both sides agree by
// construction.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/connection/line_protocol.h"
#include "devserver/account_data.h"

namespace kv::devserver {

// ---- Lines to the client -----------------------------------------------------------------

std::string groupListLine(const std::vector<Group>& groups);                  // GR:
std::string buddyListLine(const std::vector<Partner>& partners);              // AC:
std::string moneyLine(std::int32_t balance);                                  // RV:
std::string groupAddedLine(std::int32_t groupId);                             // GG:
std::string userAddLine(std::string_view code, std::string_view value = {});  // P:
std::string activeLine(std::string_view port);                                // active:
inline constexpr std::string_view kAck = "R:ak";
inline constexpr std::string_view kUnknownUser = "R:nus";
inline constexpr std::string_view kWrongPassword = "R:npass";
inline constexpr std::string_view kRefused = "R:n";
inline constexpr std::string_view kPing = "ping";
inline constexpr std::string_view kShutOut = "close";

// ---- Lines from the client ---------------------------------------------------------------

enum class ClientLine {
    Login,          // LO:id,pw
    GroupList,      // GC:
    BuddyList,      // AC:
    Money,          // RC:
    Message,        // H:port:text
    GroupSend,      // PS:sender,recipients:text
    ReservedSend,   // PP:sender,recipients:y,m,d,h,mi:text
    GroupAdd,       // GA:name
    GroupRename,    // GM:id,name
    GroupDelete,    // GD:id
    BuddyMove,      // GS:id,port
    BuddyRegister,  // UN:cc,phone,nick
    BuddyConfirm,   // UK:phone,vt
    BuddyChange,    // UM:port,phone,nick
    BuddyDelete,    // UD:port
    Pong,           // pong
    Logout,         // LX:
    ShutOutAnswer,  // LY:
    Empty,          // the answer to an acknowledgement the client does not need
    Unknown,
};

ClientLine classify(std::string_view line);

// What follows the command's colon, cut at "," into at most `fields` parts: the last part
// keeps any further ",". Missing parts are empty.
std::vector<std::string> cutFields(std::string_view line, std::size_t fields);

struct GroupSendRequest {
    std::string sender;
    std::vector<std::string> recipients;
    std::optional<proto::Reservation> when;  // set for "PP:"
    std::string text;
};
// A "PS:" or "PP:" line, or nothing when it is malformed (no recipient, a bad date).
std::optional<GroupSendRequest> cutGroupSend(std::string_view line);

// ---- Rules -------------------------------------------------------------------------------

// The outcome of a partner registration ("UN:") before the account is consulted.
struct RegistrationVerdict {
    std::string code;      // "0" accepted; others as in the "P:" answer
    std::string vtNumber;  // for codes 10, 13, 14: the virtual number to be confirmed
    bool needsConfirmation() const { return code == "10" || code == "13" || code == "14"; }
};

// Test numbers, recognised by the digits that follow the three-digit mobile prefix, so that
// the client's add-partner dialog can reach each of them:
//   xxx0505xxxx  code 10 with a virtual number (confirmation by "UK:"); so is any number
//                beginning with 0505 itself
//   xxx0011xxxx  code 11 (number barred)
//   xxx0012xxxx  code 12 (too many registrations)
//   xxx0013xxxx  code 13, xxx0014xxxx code 14 (confirmation without a new virtual number)
//   xxx0099xxxx  code 99 (an error the client reports with its code)
// Other codes: 1 not a mobile number, 2 a country other than Korea ("82"); an already
// registered phone gives 3 (decided by the account, not here).
RegistrationVerdict judgeRegistration(std::string_view countryCode, std::string_view phone);

// The simulated phone's answer to the n-th message it got (n from 1): the text echoed, with
// the client's "{}" line breaks as "<br>"; every third answer runs over two lines.
std::string phoneAnswer(std::string_view text, unsigned n);

}  // namespace kv::devserver
