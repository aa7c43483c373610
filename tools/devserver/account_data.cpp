#include "devserver/account_data.h"

#include <fstream>
#include <set>
#include <sstream>

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/base/text.h"

namespace kv::devserver {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits off the next blank-separated word of `rest`.
std::string_view nextWord(std::string_view& rest) {
    std::size_t start = 0;
    while (start < rest.size() && isBlank(rest[start]))
        ++start;
    std::size_t end = start;
    while (end < rest.size() && !isBlank(rest[end]))
        ++end;
    std::string_view word = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return word;
}

std::string_view restOfLine(std::string_view rest) {
    while (!rest.empty() && isBlank(rest.front()))
        rest.remove_prefix(1);
    while (!rest.empty() && isBlank(rest.back()))
        rest.remove_suffix(1);
    return rest;
}

bool allDigits(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

class Reader {
public:
    explicit Reader(int lineNo) : lineNo_(lineNo) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw DataError("line " + std::to_string(lineNo_) + ": " + what);
    }

    std::int32_t number(std::string_view word, const char* what) const {
        try {
            if (word.empty())
                throw ConvertError("empty");
            return strToInt(word);
        } catch (const ConvertError&) {
            fail(std::string(what) + " is not a number: '" + std::string(word) + "'");
        }
    }

    std::string text(std::string_view utf8, const char* what) const {
        if (utf8.empty())
            fail(std::string(what) + " is missing");
        auto converted = utf8ToCp949(utf8);
        if (!converted)
            fail(std::string(what) + " has characters that CP949 cannot hold");
        return *converted;
    }

private:
    int lineNo_;
};

}  // namespace

std::vector<Account> parseAccounts(std::string_view utf8Text) {
    std::vector<Account> accounts;
    std::set<std::string> ports;
    std::istringstream in{std::string(utf8Text)};
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        std::string_view rest = raw;
        const std::string_view kind = nextWord(rest);
        if (kind.empty() || kind.front() == '#')
            continue;
        Reader r(lineNo);
        if (kind == "account") {
            Account a;
            a.userId = r.text(nextWord(rest), "user id");
            a.password = r.text(nextWord(rest), "password");
            a.balance = r.number(nextWord(rest), "balance");
            if (!restOfLine(rest).empty())
                r.fail("unexpected text after the balance");
            if (a.userId.find(',') != std::string::npos)
                r.fail("a user id cannot hold ','");
            for (const Account& other : accounts)
                if (other.userId == a.userId)
                    r.fail("account '" + std::string(a.userId) + "' is listed twice");
            accounts.push_back(std::move(a));
            continue;
        }
        if (accounts.empty())
            r.fail("'" + std::string(kind) + "' before the first account");
        Account& a = accounts.back();
        if (kind == "group") {
            Group g;
            g.id = r.number(nextWord(rest), "group id");
            g.name = r.text(restOfLine(rest), "group name");
            if (g.id == 0)
                r.fail("group id 0 means 'no group' and cannot be listed");
            if (g.name.find('/') != std::string::npos)
                r.fail("a group name cannot hold '/'");
            for (const Group& other : a.groups)
                if (other.id == g.id)
                    r.fail("group " + std::to_string(g.id) + " is listed twice");
            a.groups.push_back(std::move(g));
        } else if (kind == "partner") {
            Partner p;
            p.groupId = r.number(nextWord(rest), "group id");
            p.port = r.text(nextWord(rest), "port");
            p.phone = r.text(nextWord(rest), "phone");
            const std::string_view vt = nextWord(rest);
            p.vtNumber = vt == "-" ? std::string() : r.text(vt, "virtual number");
            p.status = r.number(nextWord(rest), "status");
            p.nickName = r.text(restOfLine(rest), "nickname");
            if (p.groupId != 0) {
                bool known = false;
                for (const Group& g : a.groups)
                    known = known || g.id == p.groupId;
                if (!known)
                    r.fail("partner in unknown group " + std::to_string(p.groupId));
            }
            if (p.port.find_first_of(",:/") != std::string::npos)
                r.fail("a port cannot hold ',', ':' or '/'");
            if (!allDigits(p.phone) || !allDigits(p.vtNumber.empty() ? "0" : p.vtNumber))
                r.fail("phone and virtual number must be digits");
            if (p.nickName.find(',') != std::string::npos)
                r.fail("a nickname cannot hold ','");
            if (!ports.insert(p.port).second)
                r.fail("port '" + p.port + "' is used twice");
            a.partners.push_back(std::move(p));
        } else {
            r.fail("unknown record '" + std::string(kind) + "'");
        }
    }
    return accounts;
}

std::vector<Account> loadAccounts(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw DataError(path + ": cannot be opened");
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return parseAccounts(text.str());
    } catch (const DataError& e) {
        throw DataError(path + ": " + e.what());
    }
}

}  // namespace kv::devserver
