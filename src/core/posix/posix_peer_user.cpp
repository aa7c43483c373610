#include <sys/socket.h>
#include <unistd.h>

#include "core/ports/peer_user.h"

namespace kv {

bool PeerIsCurrentUser(std::intptr_t socketDescriptor) {
    if (socketDescriptor < 0)
        return false;
    struct ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) !=
            0 ||
        size != sizeof peer)
        return false;
    return peer.uid == ::geteuid();
}

}  // namespace kv
