// The cuts of the sign-in lists alone: "GR:" and "AC:" lines as the handlers take them apart.

#include "core/base/errors.h"
#include "core/connection/line_protocol.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kv;
    const std::string_view line = fuzz::bytes(data, size);
    // Each entry takes at least one "," of the line, so a list never yields more entries than
    // the line has commas; a name never holds the "/" that ends its entry.
    std::size_t commas = 0;
    for (char c : line)
        commas += c == ',';

    std::size_t groups = 0;
    try {
        proto::forEachGroupEntry(line, [&](proto::GroupEntry entry) {
            ++groups;
            FUZZ_CHECK(entry.groupName.find('/') == std::string::npos);
        });
    } catch (const ConvertError&) {
    }
    FUZZ_CHECK(groups <= commas);

    std::size_t buddies = 0;
    try {
        proto::forEachBuddyEntry(line, [&](proto::BuddyEntry entry) {
            ++buddies;
            for (const std::string* field :
                 {&entry.nickName, &entry.phone, &entry.vtNumber, &entry.userPort})
                FUZZ_CHECK(field->find(',') == std::string::npos);
        });
    } catch (const ConvertError&) {
    }
    FUZZ_CHECK(buddies <= commas);
    return 0;
}
