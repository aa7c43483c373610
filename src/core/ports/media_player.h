#pragma once

// Port: the player of the alarm sound. Every operation may fail, silently or by throwing;
// callers that must go on regardless catch what it throws.

#include <string_view>

namespace kv {

class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;

    // The sound's address (CP949). With autoStart set, setting it also starts playing.
    virtual void setUrl(std::string_view url) = 0;
    virtual void setAutoStart(bool autoStart) = 0;
    // How many times one play() plays the sound through.
    virtual void setPlayCount(int count) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
};

}  // namespace kv
