// The update list as the update server hands it over: its fields and version comparison.

#include <string>

#include "core/base/errors.h"
#include "core/service/update_check.h"
#include "fuzz/fuzz_check.h"

namespace {

// -1 for a version that cannot be read.
int compare(std::string_view current, std::string_view listed) {
    try {
        return kv::CompareVersion(current, listed);
    } catch (const kv::ConvertError&) {
        return -1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kv;
    const std::string_view list = fuzz::bytes(data, size);

    try {
        DecideUpdate(list);
    } catch (const ConvertError&) {
    }
    for (int n = 0; n <= 4; ++n) {
        const std::string field = CommaField(list, n);
        FUZZ_CHECK(field.find(',') == std::string::npos);
        FUZZ_CHECK(field.size() <= list.size());
    }

    // Two versions from the list's first two fields: a version is never newer than itself,
    // and of two versions at most one is newer than the other.
    const std::string a = CommaField(list, 1);
    const std::string b = CommaField(list, 2);
    const int self = compare(a, a);
    FUZZ_CHECK(self == 0 || self == -1);
    const int ab = compare(a, b);
    const int ba = compare(b, a);
    FUZZ_CHECK(!(ab == 1 && ba == 1));
    compare(kProgramVersion, list);
    return 0;
}
