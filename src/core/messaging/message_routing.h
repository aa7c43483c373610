#pragma once

// What the main window needs to route chat lines to chat windows, as plain functions over the
// received bytes and the contact tree. Texts are CP949.

#include <string>
#include <string_view>

#include "core/messaging/copy_data.h"

namespace kv {

struct ABuddy;
class ContactTree;

// A received text as the chat window shows it: every "<br>" becomes CR LF.
std::string ReceivedLineBreaks(std::string_view text);

// The first partner record, in the tree's display order, whose port equals `port` exactly;
// nullptr when no partner has it.
const ABuddy* FindPartner(const ContactTree& tree, std::string_view port);

}  // namespace kv
