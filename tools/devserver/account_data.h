#pragma once

// The dev server's accounts: what a member has on the service (groups, partners, balance,
// reserved sends) and the text file they are loaded from. Texts are held as CP949 bytes, as
// they travel on the wire; the file itself is UTF-8.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/connection/line_protocol.h"

namespace kv::devserver {

struct Group {
    std::int32_t id = 0;
    std::string name;
};

struct Partner {
    std::int32_t groupId = 0;  // 0: in no group
    std::string nickName;
    std::string phone;
    std::string vtNumber;
    std::string port;  // the server's identifier of this partner entry
    std::int32_t status = 0;
};

struct ReservedSend {
    std::string sender;
    std::vector<std::string> recipients;
    proto::Reservation when;
    std::string text;
    bool delivered = false;  // its time has come and the phones have it
};

struct Account {
    std::string userId;
    std::string password;
    std::int32_t balance = 0;
    std::vector<Group> groups;
    std::vector<Partner> partners;
    std::vector<ReservedSend> reserved;
};

// A data file that cannot be read; the text names the line.
class DataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the account file format (UTF-8, one record a line, "#" starts a comment line):
//
//   account <user id> <password> <balance>
//   group <group id> <name, to the end of the line>
//   partner <group id> <port> <phone> <virtual number or -> <status> <nickname, to the end>
//
// Groups and partners belong to the account above them. A partner's group must be listed
// before it (or be 0). Names must be representable in CP949 and must not hold the separators
// that would break the list layouts ("/" in group names, "," in nicknames).
std::vector<Account> parseAccounts(std::string_view utf8Text);
std::vector<Account> loadAccounts(const std::string& path);

}  // namespace kv::devserver
