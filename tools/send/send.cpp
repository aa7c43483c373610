// kestrovane-send KIND TEXT: hands TEXT (UTF-8) to the running Kestrovane as a copy-data
// message of the given kind, to the socket the instance published as "HWND" in its settings
// file. Exit status 0 when delivered, 1 when there is no instance to deliver to or the text
// has no CP949 form, 2 on wrong use.

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/base/text.h"
#include "core/messaging/copy_data.h"
#include "core/posix/ini_registry.h"

namespace {

bool deliver(const std::string& socketPath, const std::string& bytes) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "kestrovane-send: socket path too long\n");
        return false;
    }
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        std::perror("kestrovane-send: socket");
        return false;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "kestrovane-send: cannot reach the running instance: %s\n",
                     std::strerror(errno));
        ::close(fd);
        return false;
    }
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            std::fprintf(stderr, "kestrovane-send: %s\n", std::strerror(errno));
            ::close(fd);
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
    // Wait (boundedly) for the instance to take the message and close its side.
    const timeval bound{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    char ignored[64];
    while (::recv(fd, ignored, sizeof ignored, 0) > 0) {
    }
    ::close(fd);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: kestrovane-send KIND TEXT\n"
                     "  KIND 0: \"port:text\" for a chat window's input box\n"
                     "  KIND 1: an alarm file name for the open options dialog\n");
        return 2;
    }
    std::uint32_t kind = 0;
    try {
        const std::int32_t n = kv::strToInt(argv[1]);
        if (n < 0)
            throw kv::ConvertError("negative kind");
        kind = static_cast<std::uint32_t>(n);
    } catch (const kv::ConvertError&) {
        std::fprintf(stderr, "kestrovane-send: KIND must be a number, not '%s'\n", argv[1]);
        return 2;
    }
    const auto text = kv::utf8ToCp949(argv[2]);
    if (!text) {
        std::fprintf(stderr, "kestrovane-send: the text holds characters CP949 cannot hold\n");
        return 1;
    }
    const auto registry = kv::IniRegistry::openDefault();
    const auto handle = registry->read(kv::RegistrySection::Key, "HWND");
    if (!handle || handle->empty()) {
        std::fprintf(stderr, "kestrovane-send: Kestrovane is not running\n");
        return 1;
    }
    // The path is held as every text of the settings is, in CP949.
    return deliver(kv::cp949ToUtf8(*handle), kv::EncodeCopyData(kind, *text)) ? 0 : 1;
}
