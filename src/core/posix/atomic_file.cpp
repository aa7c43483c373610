#include "core/posix/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace kv {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw std::system_error(error, std::generic_category(), what + " " + path);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // close() reports errors of delayed writes on some file systems, so they are checked.
    int release() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "<name>.tmp-<pid>-": what the temporary files of `name` written by process `pid` begin with.
std::string temporaryPrefix(const std::string& name) {
    return name + ".tmp-";
}

// The process id in a temporary file's name after its prefix, or 0 when it holds none.
pid_t writerOf(std::string_view rest) {
    pid_t pid = 0;
    std::size_t i = 0;
    for (; i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && i < 9; ++i)
        pid = pid * 10 + (rest[i] - '0');
    return i > 0 && i < rest.size() && rest[i] == '-' ? pid : 0;
}

void writeAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot write", path, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

FileContents readSmallFile(const std::string& path, std::size_t maxBytes) {
    const int raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (raw < 0)
        return {errno == ENOENT ? FileRead::Missing : FileRead::Failed, {}};
    Fd fd(raw);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {FileRead::Failed, {}};
    std::string bytes;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return {FileRead::Failed, {}};
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
            return {FileRead::Failed, {}};
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return {FileRead::Read, std::move(bytes)};
}

void makeDirectories(const std::string& dir, mode_t mode) {
    if (dir.empty())
        return;
    struct stat info {};
    if (::stat(dir.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode))
            fail("not a directory:", dir, ENOTDIR);
        return;
    }
    const std::string parent = parentOf(dir);
    if (parent != dir)
        makeDirectories(parent, mode);
    if (::mkdir(dir.c_str(), mode) != 0 && errno != EEXIST)
        fail("cannot create directory", dir, errno);
}

std::size_t removeStaleTemporaries(const std::string& path) {
    const std::string dir = parentOf(path);
    const std::string prefix = temporaryPrefix(baseName(path));
    DIR* folder = ::opendir(dir.c_str());
    if (folder == nullptr)
        return 0;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix)
            continue;
        const pid_t writer = writerOf(name.substr(prefix.size()));
        // Only a process that is gone for certain: one of another user (EPERM) may still run.
        if (writer > 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH)
            stale.emplace_back(name);
    }
    ::closedir(folder);
    std::size_t removed = 0;
    for (const std::string& name : stale)
        removed += ::unlink((dir + "/" + name).c_str()) == 0;
    return removed;
}

void writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode) {
    makeDirectories(parentOf(path), 0700);
    removeStaleTemporaries(path);

    std::string pattern = parentOf(path) + "/" + temporaryPrefix(baseName(path)) +
                          std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp creates the file with mode 0600, whatever the umask: the contents are never
    // readable by others, even for a moment.
    Fd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (fd.get() < 0)
        fail("cannot create a temporary file beside", path, errno);
    const std::string temporary(name.data());
    try {
        if (::fchmod(fd.get(), mode) != 0)
            fail("cannot set the mode of", temporary, errno);
        writeAll(fd.get(), contents, temporary);
        if (::fsync(fd.get()) != 0)
            fail("cannot flush", temporary, errno);
        if (fd.release() != 0)
            fail("cannot close", temporary, errno);
        if (::rename(temporary.c_str(), path.c_str()) != 0)
            fail("cannot replace", path, errno);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    // Makes the rename itself durable. The new file is in place whatever this gives, so a
    // failure here is not reported.
    const int dirFd = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

}  // namespace kv
