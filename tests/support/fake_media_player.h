#pragma once

// MediaPlayer that records what it was told; it can be made to throw, as a player that is not
// installed would.

#include <stdexcept>
#include <string>
#include <vector>

#include "core/ports/media_player.h"

namespace kv::test {

class FakeMediaPlayer final : public MediaPlayer {
public:
    void setUrl(std::string_view value) override {
        record("url");
        url = std::string(value);
    }
    void setAutoStart(bool value) override {
        record("autoStart");
        autoStart = value;
    }
    void setPlayCount(int value) override {
        record("playCount");
        playCount = value;
    }
    void play() override {
        record("play");
        ++plays;
    }
    void stop() override {
        record("stop");
        ++stops;
    }

    std::vector<std::string> calls;
    std::string url;
    bool autoStart = true;
    int playCount = 1;
    int plays = 0;
    int stops = 0;
    bool failing = false;

private:
    void record(const char* call) {
        calls.push_back(call);
        if (failing)
            throw std::runtime_error("no media player installed (test)");
    }
};

}  // namespace kv::test
