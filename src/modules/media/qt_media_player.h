#pragma once

// MediaPlayer over Qt Multimedia. The QMediaPlayer and its QAudioOutput are made when a sound
// first plays, so that a program that never plays one pays nothing for the backend. Failures
// (no audio device, an address that does not answer, an unplayable file) are silent.
// Lives on the user-interface thread.

#include <memory>
#include <string>

#include <QUrl>

#include "core/ports/media_player.h"

class QAudioOutput;
class QMediaPlayer;

namespace kv {

class QtMediaPlayer final : public MediaPlayer {
public:
    QtMediaPlayer();
    ~QtMediaPlayer() override;
    QtMediaPlayer(const QtMediaPlayer&) = delete;
    QtMediaPlayer& operator=(const QtMediaPlayer&) = delete;

    void setUrl(std::string_view url) override;
    void setAutoStart(bool autoStart) override;
    void setPlayCount(int count) override;
    void play() override;
    void stop() override;

    bool backendCreated() const { return player_ != nullptr; }
    QUrl source() const { return url_; }
    int playCount() const { return playCount_; }
    // The backend's player, once made (for tests).
    const QMediaPlayer* backend() const { return player_.get(); }

private:
    void ensureBackend();

    QUrl url_;
    bool autoStart_ = true;
    int playCount_ = 1;
    std::unique_ptr<QAudioOutput> output_;
    std::unique_ptr<QMediaPlayer> player_;
};

}  // namespace kv
