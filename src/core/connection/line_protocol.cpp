#include "core/connection/line_protocol.h"

#include <ostream>

#include "core/base/text.h"

namespace kv::proto {

namespace {

bool startsWith(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix;
}

// What follows the first ":" of the trimmed line (empty when there is none).
std::string_view afterFirstColon(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view{} : line.substr(colon + 1);
}

std::string join(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (auto p : parts)
        size += p.size();
    std::string out;
    out.reserve(size);
    for (auto p : parts)
        out += p;
    return out;
}

// Cuts the next field ending at `separator`. Without a separator in the rest the field is
// empty and the rest stays as it is, so a missing "," leaves an empty field, not a shifted one.
std::string_view cutField(std::string_view& rest, char separator) {
    const std::size_t at = rest.find(separator);
    if (at == std::string_view::npos)
        return {};
    std::string_view field = rest.substr(0, at);
    rest.remove_prefix(at + 1);
    return field;
}

// Cuts the last field of a list entry: up to the next "/", or to the end of the line.
std::string_view cutEntryEnd(std::string_view& rest) {
    const std::size_t at = rest.find('/');
    std::string_view field = rest.substr(0, at);
    rest.remove_prefix(at == std::string_view::npos ? rest.size() : at + 1);
    return field;
}

// The entries of a list line start after its 3-byte command and end when the rest is empty
// or holds no ",".
std::string_view listBody(std::string_view line) {
    std::string_view trimmed = trimBytes(line);
    return trimmed.size() > 3 ? trimmed.substr(3) : std::string_view{};
}

bool hasMoreEntries(std::string_view rest) {
    return !rest.empty() && rest.find(',') != std::string_view::npos;
}

}  // namespace

ServerLine recognise(std::string_view line) {
    if (line == "ping")
        return ServerLine::Ping;
    if (line == "R:ak")
        return ServerLine::LoginOk;
    if (startsWith(line, "R:n"))
        return ServerLine::LoginNotOk;
    if (startsWith(line, "GR:"))
        return ServerLine::GroupList;
    if (startsWith(line, "AC:"))
        return ServerLine::BuddyList;
    if (startsWith(line, "RV:"))
        return ServerLine::Money;
    if (startsWith(line, "H:"))
        return ServerLine::Message;
    if (startsWith(line, "GG:"))
        return ServerLine::GroupAdd;
    if (startsWith(line, "P:"))
        return ServerLine::UserAdd;
    if (startsWith(line, "active:"))
        return ServerLine::Active;
    if (startsWith(line, "close"))
        return ServerLine::Close;
    return ServerLine::Unknown;
}

const char* name(ServerLine kind) {
    switch (kind) {
        case ServerLine::Ping: return "Ping";
        case ServerLine::LoginOk: return "LoginOk";
        case ServerLine::LoginNotOk: return "LoginNotOk";
        case ServerLine::GroupList: return "GroupList";
        case ServerLine::BuddyList: return "BuddyList";
        case ServerLine::Money: return "Money";
        case ServerLine::Message: return "Message";
        case ServerLine::GroupAdd: return "GroupAdd";
        case ServerLine::UserAdd: return "UserAdd";
        case ServerLine::Active: return "Active";
        case ServerLine::Close: return "Close";
        case ServerLine::Unknown: return "Unknown";
    }
    return "?";
}

std::ostream& operator<<(std::ostream& os, ServerLine kind) {
    return os << name(kind);
}

std::string loginLine(std::string_view userId, std::string_view password) {
    return join({"LO:", userId, ",", password});
}
std::string groupListRequest() {
    return "GC:";
}
std::string buddyListRequest() {
    return "AC:";
}
std::string moneyRequest() {
    return "RC:";
}

std::string messageLine(std::string_view port, std::string_view text) {
    return join({"H:", port, ":", text});
}

std::string groupSendLine(std::string_view sender, std::string_view recipients,
                          std::string_view text) {
    return join({"PS:", sender, ",", recipients, ":", text});
}

std::string reservedSendLine(std::string_view sender, std::string_view recipients,
                             const Reservation& when, std::string_view text) {
    const std::string date = std::to_string(when.year) + "," + std::to_string(when.month) + "," +
                             std::to_string(when.day) + "," + std::to_string(when.hour) + "," +
                             std::to_string(when.minute);
    return join({"PP:", sender, ",", recipients, ":", date, ":", text});
}

std::string groupAddLine(std::string_view groupName) {
    return join({"GA:", groupName});
}

std::string groupRenameLine(std::int32_t groupId, std::string_view newName) {
    return join({"GM:", std::to_string(groupId), ",", newName});
}

std::string groupDeleteLine(std::int32_t groupId) {
    return "GD:" + std::to_string(groupId);
}

std::string buddyMoveLine(std::int32_t groupId, std::string_view port) {
    return join({"GS:", std::to_string(groupId), ",", port});
}

std::string buddyRegisterLine(std::string_view countryCode, std::string_view phone,
                              std::string_view nickName) {
    return join({"UN:", countryCode, ",", phone, ",", nickName});
}

std::string buddyConfirmLine(std::string_view phone, std::string_view vtNumber) {
    return join({"UK:", phone, ",", vtNumber});
}

std::string buddyChangeLine(std::string_view port, std::string_view phone,
                            std::string_view nickName) {
    return join({"UM:", port, ",", phone, ",", nickName});
}

std::string buddyDeleteLine(std::string_view port) {
    return join({"UD:", port});
}
std::string pongLine() {
    return "pong";
}
std::string logoutLine() {
    return "LX:";
}
std::string shutOutAnswerLine() {
    return "LY:";
}

std::string encodeLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "{}";
        } else if (c == '\n') {
            out += "{}";
        } else {
            out += c;
        }
    }
    return out;
}

std::ostream& operator<<(std::ostream& os, const GroupEntry& e) {
    return os << "GroupEntry{" << e.groupId << ", \"" << e.groupName << "\"}";
}

std::ostream& operator<<(std::ostream& os, const BuddyEntry& e) {
    return os << "BuddyEntry{" << e.groupId << ", \"" << e.nickName << "\", \"" << e.phone
              << "\", \"" << e.vtNumber << "\", \"" << e.userPort << "\", " << e.status << "}";
}

void forEachGroupEntry(std::string_view line, const std::function<void(GroupEntry)>& take) {
    std::string_view rest = listBody(line);
    while (hasMoreEntries(rest)) {
        GroupEntry entry;
        entry.groupId = strToInt(cutField(rest, ','));
        entry.groupName = std::string(cutEntryEnd(rest));
        take(std::move(entry));
    }
}

void forEachBuddyEntry(std::string_view line, const std::function<void(BuddyEntry)>& take) {
    std::string_view rest = listBody(line);
    while (hasMoreEntries(rest)) {
        BuddyEntry entry;
        entry.groupId = strToInt(cutField(rest, ','));
        entry.nickName = std::string(cutField(rest, ','));
        entry.phone = std::string(cutField(rest, ','));
        entry.vtNumber = std::string(cutField(rest, ','));
        entry.userPort = std::string(cutField(rest, ','));
        entry.status = strToInt(cutEntryEnd(rest));
        take(std::move(entry));
    }
}

std::int32_t moneyCount(std::string_view line) {
    const std::string_view count = afterFirstColon(trimBytes(line));
    return count.empty() ? 0 : strToInt(count);
}

IncomingMessage incomingMessage(std::string_view line) {
    return splitPortAndText(afterFirstColon(trimBytes(line)));
}

IncomingMessage splitPortAndText(std::string_view text) {
    text = trimBytes(text);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return {{}, std::string(text)};
    return {std::string(text.substr(0, colon)), std::string(text.substr(colon + 1))};
}

std::int32_t addedGroupId(std::string_view line) {
    return strToInt(afterFirstColon(trimBytes(line)));
}

std::string activePort(std::string_view line) {
    return std::string(afterFirstColon(trimBytes(line)));
}

UserAddResult userAddResult(std::string_view line) {
    std::string_view rest = afterFirstColon(trimBytes(line));
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos)
        return {std::string(rest), {}};
    return {std::string(rest.substr(0, comma)), std::string(rest.substr(comma + 1))};
}

Refusal refusal(std::string_view line) {
    if (startsWith(line, "R:npass"))
        return Refusal::WrongPassword;
    if (startsWith(line, "R:nus"))
        return Refusal::UnknownUser;
    return Refusal::Other;
}

}  // namespace kv::proto
