#pragma once

// Extra header lines of a request, as a page's opener gives them: "Name: value" lines, each
// ended by CR LF.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv {

// The lines as name and value pairs. Reading stops at a zero character, which an HTTP request
// cannot carry; lines without a ":" or with an empty name are skipped; blanks around the value
// are dropped.
std::vector<std::pair<std::string, std::string>> SplitRequestHeaders(std::string_view headers);

}  // namespace kv
