#include "devserver/account_store.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>
#include <tuple>

namespace kv::devserver {

AccountStore::AccountStore(std::vector<Account> accounts) {
    for (Account& a : accounts) {
        for (const Partner& p : a.partners) {
            const bool numeric = !p.port.empty() && p.port.size() < 15 &&
                                 p.port.find_first_not_of("0123456789") == std::string::npos;
            if (numeric)
                nextPort_ = std::max<std::int64_t>(nextPort_, std::stoll(p.port) + 1);
        }
        std::string id = a.userId;
        accounts_.emplace(std::move(id), Entry{std::move(a), {}});
    }
}

AccountStore::Entry& AccountStore::entry(std::string_view userId) {
    auto it = accounts_.find(userId);
    if (it == accounts_.end())
        throw std::out_of_range("no account " + std::string(userId));
    return it->second;
}

const AccountStore::Entry& AccountStore::entry(std::string_view userId) const {
    return const_cast<AccountStore*>(this)->entry(userId);
}

Partner* AccountStore::findPartner(Entry& e, std::string_view port) {
    for (Partner& p : e.account.partners)
        if (p.port == port)
            return &p;
    return nullptr;
}

std::string AccountStore::newPort() {
    return std::to_string(nextPort_++);
}

LoginResult AccountStore::checkLogin(std::string_view userId, std::string_view password) const {
    std::lock_guard lock(mutex_);
    auto it = accounts_.find(userId);
    if (it == accounts_.end())
        return LoginResult::UnknownUser;
    return it->second.account.password == password ? LoginResult::Ok : LoginResult::WrongPassword;
}

Account AccountStore::snapshot(std::string_view userId) const {
    std::lock_guard lock(mutex_);
    return entry(userId).account;
}

std::optional<std::int32_t> AccountStore::addGroup(std::string_view userId, std::string_view name) {
    if (name.empty() || name.find('/') != std::string_view::npos)
        return std::nullopt;
    std::lock_guard lock(mutex_);
    Account& a = entry(userId).account;
    std::int32_t id = 1;
    for (const Group& g : a.groups)
        id = std::max(id, g.id + 1);
    a.groups.push_back({id, std::string(name)});
    return id;
}

bool AccountStore::renameGroup(std::string_view userId, std::int32_t groupId,
                               std::string_view name) {
    if (name.empty() || name.find('/') != std::string_view::npos)
        return false;
    std::lock_guard lock(mutex_);
    for (Group& g : entry(userId).account.groups) {
        if (g.id == groupId) {
            g.name = name;
            return true;
        }
    }
    return false;
}

bool AccountStore::deleteGroup(std::string_view userId, std::int32_t groupId) {
    std::lock_guard lock(mutex_);
    Account& a = entry(userId).account;
    auto it = std::find_if(a.groups.begin(), a.groups.end(),
                           [&](const Group& g) { return g.id == groupId; });
    if (it == a.groups.end())
        return false;
    a.groups.erase(it);
    for (Partner& p : a.partners)
        if (p.groupId == groupId)
            p.groupId = 0;
    return true;
}

bool AccountStore::moveBuddy(std::string_view userId, std::int32_t groupId, std::string_view port) {
    std::lock_guard lock(mutex_);
    Entry& e = entry(userId);
    const bool groupExists =
        groupId == 0 || std::any_of(e.account.groups.begin(), e.account.groups.end(),
                                    [&](const Group& g) { return g.id == groupId; });
    Partner* p = findPartner(e, port);
    if (!groupExists || p == nullptr)
        return false;
    p->groupId = groupId;
    return true;
}

proto::UserAddResult AccountStore::registerBuddy(std::string_view userId,
                                                 std::string_view countryCode,
                                                 std::string_view phone,
                                                 std::string_view nickName) {
    RegistrationVerdict verdict = judgeRegistration(countryCode, phone);
    if (verdict.code != "0" && !verdict.needsConfirmation())
        return {verdict.code, {}};
    if (nickName.empty() || nickName.find_first_of(",/") != std::string_view::npos)
        return {"5", {}};
    std::lock_guard lock(mutex_);
    Entry& e = entry(userId);
    for (const Partner& p : e.account.partners)
        if (p.phone == phone)
            return {"3", {}};
    if (verdict.needsConfirmation()) {
        e.pending[std::string(phone)] = Pending{std::string(nickName), verdict.vtNumber};
        // Codes 13 and 14 carry no value: the client confirms with what it already holds.
        return {verdict.code, verdict.code == "10" ? verdict.vtNumber : std::string()};
    }
    Partner p{0, std::string(nickName), std::string(phone), {}, newPort(), 0};
    e.account.partners.push_back(p);
    return {"0", p.port};
}

proto::UserAddResult AccountStore::confirmBuddy(std::string_view userId, std::string_view phone,
                                                std::string_view vtNumber) {
    std::lock_guard lock(mutex_);
    Entry& e = entry(userId);
    auto it = e.pending.find(phone);
    // Codes 13 and 14 are confirmed with whatever virtual number the client holds.
    if (it == e.pending.end() || (!it->second.vtNumber.empty() && it->second.vtNumber != vtNumber))
        return {"4", {}};
    Partner p{0, it->second.nickName, std::string(phone), it->second.vtNumber, newPort(), 0};
    e.pending.erase(it);
    e.account.partners.push_back(p);
    return {"0", p.port};
}

bool AccountStore::changeBuddy(std::string_view userId, std::string_view port,
                               std::string_view phone, std::string_view nickName) {
    if (nickName.find_first_of(",/") != std::string_view::npos ||
        phone.find_first_of(",/") != std::string_view::npos)
        return false;
    std::lock_guard lock(mutex_);
    Partner* p = findPartner(entry(userId), port);
    if (p == nullptr)
        return false;
    p->phone = phone;
    p->nickName = nickName;
    return true;
}

bool AccountStore::deleteBuddy(std::string_view userId, std::string_view port) {
    std::lock_guard lock(mutex_);
    auto& partners = entry(userId).account.partners;
    auto it = std::find_if(partners.begin(), partners.end(),
                           [&](const Partner& p) { return p.port == port; });
    if (it == partners.end())
        return false;
    partners.erase(it);
    return true;
}

bool AccountStore::chargeMessage(std::string_view userId, std::string_view port) {
    std::lock_guard lock(mutex_);
    Entry& e = entry(userId);
    if (findPartner(e, port) == nullptr)
        return false;
    --e.account.balance;
    return true;
}

bool isDue(const proto::Reservation& when, const proto::Reservation& now) {
    const auto key = [](const proto::Reservation& r) {
        return std::tie(r.year, r.month, r.day, r.hour, r.minute);
    };
    return key(when) <= key(now);
}

Delivery AccountStore::deliveryOf(const Entry& e, const std::vector<std::string>& recipients,
                                  const std::string& text) {
    Delivery d{e.account.userId, {}, text};
    // A recipient is a partner's port, or a typed number that may be a partner's phone.
    for (const std::string& to : recipients)
        for (const Partner& p : e.account.partners)
            if (p.port == to || p.phone == to) {
                d.partnerPorts.push_back(p.port);
                break;
            }
    return d;
}

std::optional<Delivery> AccountStore::groupSend(std::string_view userId,
                                                const GroupSendRequest& request) {
    std::lock_guard lock(mutex_);
    Entry& e = entry(userId);
    Account& a = e.account;
    a.balance -= static_cast<std::int32_t>(request.recipients.size());
    if (request.when) {
        a.reserved.push_back({request.sender, request.recipients, *request.when, request.text});
        return std::nullopt;
    }
    return deliveryOf(e, request.recipients, request.text);
}

std::vector<Delivery> AccountStore::takeDueReserved(const proto::Reservation& now) {
    std::lock_guard lock(mutex_);
    std::vector<Delivery> due;
    for (auto& [id, e] : accounts_)
        for (ReservedSend& r : e.account.reserved)
            if (!r.delivered && isDue(r.when, now)) {
                r.delivered = true;
                due.push_back(deliveryOf(e, r.recipients, r.text));
            }
    return due;
}

proto::Reservation AccountStore::now() const {
    const std::time_t t = std::time(nullptr) + static_cast<std::time_t>(clockOffset_.load());
    std::tm local{};
    localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

void AccountStore::advanceClock(std::chrono::seconds by) {
    clockOffset_ += by.count();
}

}  // namespace kv::devserver
