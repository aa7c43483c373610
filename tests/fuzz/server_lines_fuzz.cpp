// Server lines through the real receive thread, recognition and hand-over into the main
// window's handlers. One input is a session: its lines (split at "\n", any other byte kept)
// arrive in order after the client has signed in, then the server closes the connection.

#include <string>
#include <vector>

#include "core/connection/line_protocol.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/main_parts_rig.h"

namespace {

std::vector<std::string> splitLines(std::string_view input) {
    std::vector<std::string> lines;
    for (;;) {
        const std::size_t end = input.find('\n');
        lines.emplace_back(input.substr(0, end));
        if (end == std::string_view::npos)
            return lines;
        input.remove_prefix(end + 1);
    }
}

bool isClientLine(const std::string& line) {
    static const std::vector<std::string> kLines = {
        kv::proto::loginLine("demo", "demo1234"),
        kv::proto::groupListRequest(),
        kv::proto::buddyListRequest(),
        kv::proto::moneyRequest(),
        kv::proto::pongLine(),
        kv::proto::logoutLine(),
        kv::proto::shutOutAnswerLine(),
        kv::proto::groupAddLine(kv::fuzz::kMemberGroupName),
        kv::proto::buddyRegisterLine(
            "82", kv::fuzz::kMemberPartner.PreNum + kv::fuzz::kMemberPartner.Number,
            kv::fuzz::kMemberPartner.NickName),
        "",
    };
    for (const auto& known : kLines)
        if (line == known)
            return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kv;
    fuzz::MainPartsRig rig(splitLines(fuzz::bytes(data, size)));
    FUZZ_CHECK(rig.Run());

    // Every session ends closed, whatever came.
    FUZZ_CHECK(rig.conn->State() == kv::ConnectionState::Closed);
    const std::vector<std::string> written = rig.Written();
    FUZZ_CHECK(!written.empty() && written.front() == proto::loginLine("demo", "demo1234"));
    for (const std::string& line : written)
        FUZZ_CHECK(isClientLine(line));

    // The tree's groups count the partners filed under them, and a chat window only opens for
    // a partner the tree knows.
    for (std::size_t row = 0; row < rig.tree.RootCount(); ++row) {
        const ContactNode* node = rig.tree.Root(row);
        const ANodeData* nodeData = node->Data();
        FUZZ_CHECK(nodeData != nullptr);
        if (nodeData->Kind() == ANodeData::kGroup)
            FUZZ_CHECK(static_cast<std::size_t>(nodeData->Group()->Count) == node->ChildCount());
        else
            FUZZ_CHECK(node->ChildCount() == 0);
    }
    for (const std::string& port : rig.chatWindows)
        FUZZ_CHECK(FindPartner(rig.tree, port) != nullptr);
    return 0;
}
