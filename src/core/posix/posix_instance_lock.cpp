#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/ports/instance_lock.h"

namespace kv {

namespace {

class FlockInstanceLock final : public InstanceLock {
public:
    explicit FlockInstanceLock(int fd) : fd_(fd) {}
    ~FlockInstanceLock() override { ::close(fd_); }

private:
    int fd_;
};

bool isUsableDir(const char* dir) {
    struct stat st {};
    return dir != nullptr && *dir != '\0' && ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode);
}

// The private folder must be ours and not reachable by others, or another user could hold
// our lock (or swap the folder for a link).
bool ensurePrivateDir(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 0077) == 0;
}

}  // namespace

std::string instanceLockPath(const std::string& name, const char* runtimeDir, const char* tempDir,
                             unsigned uid) {
    if (isUsableDir(runtimeDir))
        return std::string(runtimeDir) + "/" + name + ".lock";
    std::string base = isUsableDir(tempDir) ? tempDir : "/tmp";
    return base + "/kestrovane-" + std::to_string(uid) + "/" + name + ".lock";
}

InstanceLockAttempt acquireInstanceLock(const std::string& name) {
    const std::string path =
        instanceLockPath(name, std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), ::getuid());
    if (!isUsableDir(std::getenv("XDG_RUNTIME_DIR")) &&
        !ensurePrivateDir(path.substr(0, path.rfind('/'))))
        return {LockResult::Unavailable, nullptr};
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return {LockResult::Unavailable, nullptr};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return {error == EWOULDBLOCK ? LockResult::HeldElsewhere : LockResult::Unavailable,
                nullptr};
    }
    return {LockResult::Acquired, std::make_unique<FlockInstanceLock>(fd)};
}

}  // namespace kv
