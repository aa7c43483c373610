#pragma once

// Port: modal message boxes and the one-line input box. Texts are CP949, as in the logic.

#include <optional>
#include <string>

namespace kv {

class MessageBoxes {
public:
    enum class Icon { Information, Error, Warning, Confirmation };
    enum class Buttons { Ok, YesNo };
    enum class Result { Ok, Yes, No };

    virtual ~MessageBoxes() = default;

    // Shows the text modally and returns the button pressed (closing the box counts as No
    // for a question and as OK otherwise).
    virtual Result Show(const std::string& text, Icon icon, Buttons buttons) = 0;

    // Characters an input box refuses as they are typed or pasted, and what it tells the member
    // when that happens. Both CP949; no characters: nothing refused but what CP949 cannot hold.
    struct Refusal {
        std::string Chars;
        std::string Message;
    };

    // A one-line input box; nothing when cancelled. Its text never holds a refused character
    // unless `value` did.
    virtual std::optional<std::string> Input(const std::string& caption, const std::string& prompt,
                                             const std::string& value, const Refusal& refusal) = 0;
};

}  // namespace kv
