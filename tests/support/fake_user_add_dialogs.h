#pragma once

// UserAddDialogs for tests: answers the waiting modes from a script (cancelled when it runs
// out) and records every dialog opened.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/contacts/contact_commands.h"

namespace kv::test {

class FakeUserAddDialogs final : public UserAddDialogs {
public:
    std::optional<UserAddValues> AddPartner() override {
        opened.push_back("add");
        return next();
    }
    std::optional<UserAddValues> PartnerDetails(const ABuddy& partner) override {
        opened.push_back("details:" + partner.UserPort);
        return next();
    }
    void ConfirmPartner(const UserAddValues& pending) override {
        opened.push_back("confirm");
        confirms.push_back(pending);
    }

    std::vector<std::string> opened;
    std::vector<UserAddValues> confirms;
    std::deque<std::optional<UserAddValues>> answers;
    std::function<void()> onWait;  // runs while a waiting dialog is "open"

private:
    std::optional<UserAddValues> next() {
        if (onWait)
            onWait();
        if (answers.empty())
            return std::nullopt;
        auto v = answers.front();
        answers.pop_front();
        return v;
    }
};

}  // namespace kv::test
