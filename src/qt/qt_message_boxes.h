#pragma once

#include "core/ports/message_boxes.h"

#include <functional>

class QInputDialog;
class QWidget;

namespace kv {

// Modal Qt boxes with the standard English titles and buttons ("Information", "Error",
// "Warning", "Confirm"; "OK", "&Yes", "&No"), over the active window.
class QtMessageBoxes final : public MessageBoxes {
public:
    Result Show(const std::string& text, Icon icon, Buttons buttons) override;
    std::optional<std::string> Input(const std::string& caption, const std::string& prompt,
                                     const std::string& value, const Refusal& refusal) override;

    // Runs once the input box is open, from its event loop (tests and screenshots answer it).
    std::function<void(QInputDialog&)> OnInputShown;
};

}  // namespace kv
