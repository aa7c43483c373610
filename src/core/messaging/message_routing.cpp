#include "core/messaging/message_routing.h"

#include "core/base/text.h"
#include "core/contacts/contact_tree.h"

namespace kv {

std::string ReceivedLineBreaks(std::string_view text) {
    static constexpr std::string_view kBreak = "<br>";
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(kBreak); at != std::string_view::npos;
         at = text.find(kBreak, from)) {
        out.append(text.substr(from, at - from));
        out += "\r\n";
        from = at + kBreak.size();
    }
    out.append(text.substr(from));
    return out;
}

const ABuddy* FindPartner(const ContactTree& tree, std::string_view port) {
    for (std::size_t i = 0; i < tree.Count(); ++i) {
        const ANodeData* data = tree.Item(i)->Data();
        if (data == nullptr || data->Kind() != ANodeData::kBuddy)
            continue;
        const ABuddy* buddy = data->Buddy();
        if (buddy != nullptr && buddy->UserPort == port)
            return buddy;
    }
    return nullptr;
}

}  // namespace kv
