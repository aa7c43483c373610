#pragma once

// Registry in memory. `stored` is what the last successful commit() wrote out; tests look there
// to see what survives the run.

#include <map>
#include <utility>

#include "core/ports/registry.h"

namespace kv::test {

class FakeRegistry final : public Registry {
public:
    using Values = std::map<std::pair<RegistrySection, std::string>, std::string>;

    std::optional<std::string> read(RegistrySection section, std::string_view name) const override {
        const auto it = live.find({section, std::string(name)});
        if (it == live.end())
            return std::nullopt;
        return it->second;
    }
    void write(RegistrySection section, std::string_view name, std::string_view value) override {
        live[{section, std::string(name)}] = std::string(value);
    }
    void remove(RegistrySection section, std::string_view name) override {
        live.erase({section, std::string(name)});
    }
    bool commit() override {
        ++commits;
        if (failCommits)
            return false;
        stored = live;
        return true;
    }

    // A value that was there before the run started.
    void preset(RegistrySection section, std::string_view name, std::string_view value) {
        live[{section, std::string(name)}] = std::string(value);
        stored = live;
    }
    std::optional<std::string> storedValue(RegistrySection section, std::string_view name) const {
        const auto it = stored.find({section, std::string(name)});
        if (it == stored.end())
            return std::nullopt;
        return it->second;
    }

    Values live;
    Values stored;
    int commits = 0;
    bool failCommits = false;
};

}  // namespace kv::test
