#pragma once

// Port: who is at the other end of a local (copy-data) connection.

#include <cstdint>

namespace kv {

// True when the peer of the connected local socket runs as the same user as this process.
// False when that cannot be told.
bool PeerIsCurrentUser(std::intptr_t socketDescriptor);

}  // namespace kv
