#pragma once

// The INI layout that QSettings' IniFormat reads and writes, for files shared with Qt programs.
// Keys and values are kept as they appear in the file ("raw") so that entries this program does
// not know survive a rewrite unchanged; decodeIniValue / encodeIniValue translate a value to and
// from its UTF-8 text.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// Section name -> (raw key -> raw value). Values of the key itself are in the section "General".
using IniSection = std::map<std::string, std::string>;
using IniDocument = std::map<std::string, IniSection>;

inline constexpr std::string_view kIniGeneralSection = "General";

// Parses a file. Gives nothing for bytes that are not a text file in UTF-8 (a zero byte or an
// invalid sequence): such a file is taken as damaged as a whole. A last line without a line end
// is dropped, as it may have been cut short. Lines that are neither a section header, a comment
// nor "key=value" are skipped.
std::optional<IniDocument> parseIni(std::string_view bytes);

// The file: "General" first, then the other sections by name, keys in byte order, a blank line
// between sections, "\n" line ends, as QSettings writes it. Empty sections are left out.
std::string formatIni(const IniDocument& document);

// The text a raw value stands for, or nothing when it is not a text (a list, "@Invalid()",
// another "@Type(...)" value, an unterminated quote).
std::optional<std::string> decodeIniValue(std::string_view raw);

// The raw form of a UTF-8 text, escaped and quoted as QSettings does.
std::string encodeIniValue(std::string_view text);

}  // namespace kv
