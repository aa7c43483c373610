#pragma once

// The accounts a running dev server holds in memory. Every operation names the account by its
// user id and takes one lock, so the sessions of several connections may share an account.
// Changes live until the server ends; the data file is never written.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/connection/line_protocol.h"
#include "devserver/account_data.h"
#include "devserver/server_lines.h"

namespace kv::devserver {

enum class LoginResult { Ok, UnknownUser, WrongPassword };

// A group text whose time has come: for the simulated phones of the partners among its
// recipients.
struct Delivery {
    std::string userId;
    std::vector<std::string> partnerPorts;  // the recipients that are partners, as their ports
    std::string text;
};

// Whether a reserved time is at or before `now` (both local, to the minute).
bool isDue(const proto::Reservation& when, const proto::Reservation& now);

class AccountStore {
public:
    explicit AccountStore(std::vector<Account> accounts);

    LoginResult checkLogin(std::string_view userId, std::string_view password) const;

    // A copy of the account as it stands; an unknown id raises std::out_of_range.
    Account snapshot(std::string_view userId) const;

    // The new group's id, or nothing for a name the group list cannot carry ("/" or empty).
    std::optional<std::int32_t> addGroup(std::string_view userId, std::string_view name);
    bool renameGroup(std::string_view userId, std::int32_t groupId, std::string_view name);
    // Partners of a deleted group move to the root level, so no entry names a missing group.
    bool deleteGroup(std::string_view userId, std::int32_t groupId);
    bool moveBuddy(std::string_view userId, std::int32_t groupId, std::string_view port);

    // The "P:" answer to "UN:": code "0" with the new port, "10" with the virtual number to
    // confirm, or another code (see judgeRegistration; "3" the phone is already a partner,
    // "5" a nickname the partner list cannot carry).
    proto::UserAddResult registerBuddy(std::string_view userId, std::string_view countryCode,
                                       std::string_view phone, std::string_view nickName);
    // The "P:" answer to "UK:": "0" with the new port when the phone waits for a confirmation
    // of that virtual number, "4" otherwise.
    proto::UserAddResult confirmBuddy(std::string_view userId, std::string_view phone,
                                      std::string_view vtNumber);
    bool changeBuddy(std::string_view userId, std::string_view port, std::string_view phone,
                     std::string_view nickName);
    bool deleteBuddy(std::string_view userId, std::string_view port);

    // A chat message to one of the account's partners costs one send; false (and no charge)
    // when the port names none of them.
    bool chargeMessage(std::string_view userId, std::string_view port);
    // Lowers the balance by the number of recipients and keeps a reserved send in the list.
    // The balance may go below zero: the client tests it before sending, and the service
    // reports a negative count as it is. An immediate send is returned for delivery at once.
    std::optional<Delivery> groupSend(std::string_view userId, const GroupSendRequest& request);

    // The reserved sends of every account that are due at `now` and not yet delivered, marked
    // delivered, in the order they were made.
    std::vector<Delivery> takeDueReserved(const proto::Reservation& now);

    // The service's clock: the local time of this machine, moved ahead by an offset so that
    // tests and demos need not wait for a reserved time. Thread-safe.
    proto::Reservation now() const;
    void advanceClock(std::chrono::seconds by);
    std::chrono::seconds clockOffset() const { return std::chrono::seconds(clockOffset_.load()); }

private:
    struct Pending {
        std::string nickName;
        std::string vtNumber;
    };
    struct Entry {
        Account account;
        std::map<std::string, Pending, std::less<>> pending;  // by phone
    };

    Entry& entry(std::string_view userId);
    const Entry& entry(std::string_view userId) const;
    Partner* findPartner(Entry& e, std::string_view port);
    std::string newPort();
    static Delivery deliveryOf(const Entry& e, const std::vector<std::string>& recipients,
                               const std::string& text);

    mutable std::mutex mutex_;
    std::map<std::string, Entry, std::less<>> accounts_;
    std::int64_t nextPort_ = 1001;
    std::atomic<std::int64_t> clockOffset_{0};  // seconds
};

}  // namespace kv::devserver
