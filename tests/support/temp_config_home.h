#pragma once

// A fresh folder that stands in as XDG_CONFIG_HOME for one test, removed with everything in it
// afterwards; the previous value of the variable is restored.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

namespace kv::test {

class TempConfigHome {
public:
    TempConfigHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kestrovane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            previous_ = old;
        ::setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    }
    ~TempConfigHome() {
        if (previous_)
            ::setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::error_code ignored;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(root_, ignored);
    }
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

    const std::filesystem::path& root() const { return root_; }

    // Names of the entries in `dir`.
    static std::set<std::string> listing(const std::filesystem::path& dir) {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path root_;
    std::optional<std::string> previous_;
};

}  // namespace kv::test
