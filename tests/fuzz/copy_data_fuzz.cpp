// What outside programs and pages hand back: the copy-data channel's reader, with the bytes
// arriving in pieces (the first byte seeds the piece sizes; the rest is what comes over the
// connection), and the same bytes as the link a page in the program's browser follows.

#include <optional>
#include <string>

#include "core/messaging/copy_data.h"
#include "core/web/copy_data_link.h"
#include "fuzz/fuzz_check.h"

namespace {

std::optional<kv::CopyDataMessage> readAll(std::string_view bytes, unsigned seed) {
    kv::CopyDataReader reader;
    std::size_t piece = 1;
    while (!bytes.empty()) {
        piece = seed == 0 ? bytes.size() : 1 + (piece * 31 + seed) % 97;
        const std::string_view part = bytes.substr(0, piece);
        bytes.remove_prefix(part.size());
        if (reader.Feed(part) != kv::CopyDataReader::State::Reading)
            break;
    }
    return reader.Finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kv;
    std::string_view input = fuzz::bytes(data, size);
    if (input.empty())
        return 0;
    const unsigned seed = static_cast<unsigned char>(input[0]);
    input.remove_prefix(1);

    // However the bytes are cut into reads, the message is the same.
    const std::optional<CopyDataMessage> whole = readAll(input, 0);
    const std::optional<CopyDataMessage> pieces = readAll(input, seed);
    FUZZ_CHECK(whole == pieces);
    if (whole) {
        FUZZ_CHECK(whole->Text.find('\0') == std::string::npos);
        FUZZ_CHECK(whole->Text.size() + 4 <= kMaxCopyDataBytes);
        // What a sender encodes reads back as it was sent.
        const std::string encoded = EncodeCopyData(whole->Kind, whole->Text);
        if (encoded.size() <= kMaxCopyDataBytes)
            FUZZ_CHECK(readAll(encoded, seed) == whole);
    } else {
        FUZZ_CHECK(input.size() < 4 || input.size() > kMaxCopyDataBytes);
    }

    const std::string link = std::string(kCopyDataScheme) + ":" + std::string(input);
    if (const std::optional<CopyDataMessage> fromPage = ParseCopyDataLink(link))
        FUZZ_CHECK(fromPage->Text.find('\0') == std::string::npos);
    ParseCopyDataLink(input);
    return 0;
}
