#pragma once

#include <memory>
#include <string>

#include "core/ports/media_player.h"

namespace kv {

// MediaPlayer that loads the Qt Multimedia module the first time a sound is to play and hands
// everything to the player made there. Until then it only keeps the settings. Without the
// module nothing plays and nothing fails, as with a missing audio device.
class LazyMediaPlayer final : public MediaPlayer {
public:
    LazyMediaPlayer();
    ~LazyMediaPlayer() override;

    void setUrl(std::string_view url) override;
    void setAutoStart(bool autoStart) override;
    void setPlayCount(int count) override;
    void play() override;
    void stop() override;

    bool loaded() const { return player_ != nullptr; }

private:
    MediaPlayer* player();

    std::string url_;
    bool autoStart_ = true;
    int playCount_ = 1;
    bool tried_ = false;
    std::unique_ptr<MediaPlayer> player_;
};

}  // namespace kv
