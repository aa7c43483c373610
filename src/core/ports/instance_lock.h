#pragma once

// Port: the single-instance lock. Held for the life of the process; the system releases it
// when the process ends, however it ends.

#include <memory>
#include <string>

namespace kv {

class InstanceLock {
public:
    virtual ~InstanceLock() = default;
};

enum class LockResult { Acquired, HeldElsewhere, Unavailable };

struct InstanceLockAttempt {
    LockResult result;
    std::unique_ptr<InstanceLock> lock;  // set when acquired
};

// Where the lock named `name` lives: in `runtimeDir` when given, else in a private folder
// "kestrovane-<uid>" of `tempDir` (or /tmp).
std::string instanceLockPath(const std::string& name, const char* runtimeDir, const char* tempDir,
                             unsigned uid);

InstanceLockAttempt acquireInstanceLock(const std::string& name);

}  // namespace kv
