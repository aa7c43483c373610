#include "devserver/server_lines.h"

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/base/text.h"
#include "core/messaging/group_send.h"

namespace kv::devserver {

namespace {

bool startsWith(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix;
}

std::string_view afterColon(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view{} : line.substr(colon + 1);
}

std::vector<std::string> splitAll(std::string_view text, char separator) {
    std::vector<std::string> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.emplace_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::optional<proto::Reservation> cutReservation(std::string_view date) {
    const std::vector<std::string> parts = splitAll(date, ',');
    if (parts.size() != 5)
        return std::nullopt;
    proto::Reservation when;
    try {
        when.year = strToInt(parts[0]);
        when.month = strToInt(parts[1]);
        when.day = strToInt(parts[2]);
        when.hour = strToInt(parts[3]);
        when.minute = strToInt(parts[4]);
    } catch (const ConvertError&) {
        return std::nullopt;
    }
    const bool valid = when.year >= 1900 && when.month >= 1 && when.month <= 12 && when.day >= 1 &&
                       when.day <= 31 && when.hour >= 0 && when.hour <= 23 && when.minute >= 0 &&
                       when.minute <= 59;
    if (!valid)
        return std::nullopt;
    return when;
}

}  // namespace

std::string groupListLine(const std::vector<Group>& groups) {
    std::string line = "GR:";
    for (const Group& g : groups)
        line += std::to_string(g.id) + "," + g.name + "/";
    return line;
}

std::string buddyListLine(const std::vector<Partner>& partners) {
    std::string line = "AC:";
    for (const Partner& p : partners)
        line += std::to_string(p.groupId) + "," + p.nickName + "," + p.phone + "," + p.vtNumber +
                "," + p.port + "," + std::to_string(p.status) + "/";
    return line;
}

std::string moneyLine(std::int32_t balance) {
    return "RV:" + std::to_string(balance);
}
std::string groupAddedLine(std::int32_t groupId) {
    return "GG:" + std::to_string(groupId);
}

std::string userAddLine(std::string_view code, std::string_view value) {
    std::string line = "P:";
    line += code;
    if (!value.empty()) {
        line += ',';
        line += value;
    }
    return line;
}

std::string activeLine(std::string_view port) {
    return "active:" + std::string(port);
}

ClientLine classify(std::string_view line) {
    struct Prefix {
        std::string_view text;
        ClientLine kind;
    };
    static constexpr Prefix kPrefixes[] = {
        {"LO:", ClientLine::Login},         {"GC:", ClientLine::GroupList},
        {"AC:", ClientLine::BuddyList},     {"RC:", ClientLine::Money},
        {"H:", ClientLine::Message},        {"PS:", ClientLine::GroupSend},
        {"PP:", ClientLine::ReservedSend},  {"GA:", ClientLine::GroupAdd},
        {"GM:", ClientLine::GroupRename},   {"GD:", ClientLine::GroupDelete},
        {"GS:", ClientLine::BuddyMove},     {"UN:", ClientLine::BuddyRegister},
        {"UK:", ClientLine::BuddyConfirm},  {"UM:", ClientLine::BuddyChange},
        {"UD:", ClientLine::BuddyDelete},   {"LX:", ClientLine::Logout},
        {"LY:", ClientLine::ShutOutAnswer},
    };
    if (line == "pong")
        return ClientLine::Pong;
    if (line.empty())
        return ClientLine::Empty;
    for (const Prefix& p : kPrefixes)
        if (startsWith(line, p.text))
            return p.kind;
    return ClientLine::Unknown;
}

std::vector<std::string> cutFields(std::string_view line, std::size_t fields) {
    std::string_view rest = afterColon(line);
    std::vector<std::string> out;
    while (out.size() + 1 < fields) {
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos)
            break;
        out.emplace_back(rest.substr(0, comma));
        rest.remove_prefix(comma + 1);
    }
    out.emplace_back(rest);
    out.resize(fields);
    return out;
}

std::optional<GroupSendRequest> cutGroupSend(std::string_view line) {
    const bool reserved = startsWith(line, "PP:");
    std::string_view rest = afterColon(line);
    const std::size_t headEnd = rest.find(':');
    if (headEnd == std::string_view::npos)
        return std::nullopt;
    GroupSendRequest request;
    std::vector<std::string> addresses = splitAll(rest.substr(0, headEnd), ',');
    rest.remove_prefix(headEnd + 1);
    request.sender = addresses.front();
    for (std::size_t i = 1; i < addresses.size(); ++i)
        if (!addresses[i].empty())
            request.recipients.push_back(std::move(addresses[i]));
    if (request.recipients.empty())
        return std::nullopt;
    if (request.sender != "0" && !IsMobilePhoneNumber(request.sender))
        return std::nullopt;
    if (reserved) {
        const std::size_t dateEnd = rest.find(':');
        if (dateEnd == std::string_view::npos)
            return std::nullopt;
        request.when = cutReservation(rest.substr(0, dateEnd));
        if (!request.when)
            return std::nullopt;
        rest.remove_prefix(dateEnd + 1);
    }
    request.text = std::string(rest);
    return request;
}

RegistrationVerdict judgeRegistration(std::string_view countryCode, std::string_view phone) {
    // The virtual number the service would hand out: 0505 and the subscriber's last digits.
    const auto virtualNumber = [&] { return "0505" + std::string(phone.substr(phone.size() - 7)); };
    if (countryCode != "82")
        return {"2", {}};
    const bool virtualLine = startsWith(phone, "0505") &&
                             (phone.size() == 11 || phone.size() == 12) &&
                             phone.find_first_not_of("0123456789") == std::string_view::npos;
    if (virtualLine)
        return {"10", std::string(phone)};
    if (!IsMobilePhoneNumber(phone))
        return {"1", {}};
    const std::string_view test = phone.substr(3, 4);
    if (test == "0505")
        return {"10", virtualNumber()};
    if (test == "0011")
        return {"11", {}};
    if (test == "0012")
        return {"12", {}};
    if (test == "0013")
        return {"13", {}};
    if (test == "0014")
        return {"14", {}};
    if (test == "0099")
        return {"99", {}};
    return {"0", {}};
}

std::string phoneAnswer(std::string_view text, unsigned n) {
    static const std::string kPrefix = cp949("(자동응답) ");
    static const std::string kSecondLine = cp949("지금은 바빠서 나중에 연락할게요.");
    std::string answer = kPrefix;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "{}") == 0) {
            answer += "<br>";
            ++i;
        } else {
            answer += text[i];
        }
    }
    if (n % 3 == 0)
        answer += "<br>" + kSecondLine;
    return answer;
}

}  // namespace kv::devserver
