#pragma once

// Where the service lives: the chat server and the service web root, from the environment or
// the build's defaults.

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

struct ServerAddress {
    std::string host;
    std::int32_t port = 0;
    bool operator==(const ServerAddress&) const = default;
};

// "host" or "host:port" (an IPv6 address in brackets: "[::1]:8000"); an empty or unreadable
// value gives `fallbackHost` on the default port.
ServerAddress parseServerAddress(std::string_view value, std::string_view fallbackHost,
                                 std::int32_t defaultPort);

// KESTROVANE_SERVER, else the build's default host; port 8000 unless the variable names one.
ServerAddress ChatServerAddress();

// KESTROVANE_WEB_ROOT, else the build's default, without a trailing "/".
std::string ServiceWebRoot();

}  // namespace kv
