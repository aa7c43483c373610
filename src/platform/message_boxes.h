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

    // A one-line input box; nothing when cancelled.
    virtual std::optional<std::string> Input(const std::string& caption, const std::string& prompt,
                                             const std::string& value) = 0;
};

}  // namespace kv
