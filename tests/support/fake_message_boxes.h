#pragma once

// MessageBoxes for tests: records every box and answers from a script (Yes by default for
// questions, OK otherwise).

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/ports/message_boxes.h"

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

    // Answers from `inputs` (nothing when it runs out). As the real box does, a refused
    // character never gets in: each is left out of the scripted answer and counted.
    std::optional<std::string> Input(const std::string& caption, const std::string& prompt,
                                     const std::string& value, const Refusal& refusal) override {
        asked.push_back({caption, prompt, value, refusal.Chars});
        if (inputs.empty())
            return std::nullopt;
        auto v = inputs.front();
        inputs.pop_front();
        if (v && !keepRefused)
            refusedChars += std::erase_if(
                *v, [&](char c) { return refusal.Chars.find(c) != std::string::npos; });
        return v;
    }

    struct Asked {
        std::string caption;
        std::string prompt;
        std::string value;
        std::string refused;
    };

    std::vector<Shown> shown;
    std::deque<Result> answers;
    std::deque<std::optional<std::string>> inputs;
    std::vector<Asked> asked;
    std::size_t refusedChars = 0;
    bool keepRefused = false;      // a box that lets them through, for the callers' own checks
    std::function<void()> onShow;  // runs while the "box" is open
};

}  // namespace kv::test
