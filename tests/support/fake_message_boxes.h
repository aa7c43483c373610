#pragma once

// MessageBoxes for tests: records every box and answers from a script (Yes by default for
// questions, OK otherwise).

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace kv::test {

class FakeMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        std::string text;
        Icon icon;
        Buttons buttons;
    };

    Result Show(const std::string& text, Icon icon, Buttons buttons) override {
        shown.push_back({text, icon, buttons});
        if (onShow)
            onShow();
        if (buttons == Buttons::Ok)
            return Result::Ok;
        if (answers.empty())
            return Result::Yes;
        const Result r = answers.front();
        answers.pop_front();
        return r;
    }

    std::optional<std::string> Input(const std::string&, const std::string&,
                                     const std::string&) override {
        if (inputs.empty())
            return std::nullopt;
        auto v = inputs.front();
        inputs.pop_front();
        return v;
    }

    std::vector<Shown> shown;
    std::deque<Result> answers;
    std::deque<std::optional<std::string>> inputs;
    std::function<void()> onShow;  // runs while the "box" is open
};

}  // namespace kv::test
