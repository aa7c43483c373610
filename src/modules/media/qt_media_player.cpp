#include "modules/media/qt_media_player.h"

#include <QAudioOutput>
#include <QMediaPlayer>

#include "qt/qt_text.h"

namespace kv {

QtMediaPlayer::QtMediaPlayer() = default;

QtMediaPlayer::~QtMediaPlayer() {
    // The player refers to its output: it goes first.
    player_.reset();
    output_.reset();
}

void QtMediaPlayer::setUrl(std::string_view url) {
    url_ = QUrl(fromCp949(std::string(url)), QUrl::TolerantMode);
    if (player_)
        player_->setSource(url_);
    if (autoStart_)
        play();
}

void QtMediaPlayer::setAutoStart(bool autoStart) {
    autoStart_ = autoStart;
}

void QtMediaPlayer::setPlayCount(int count) {
    playCount_ = count < 1 ? 1 : count;
    if (player_)
        player_->setLoops(playCount_);
}

void QtMediaPlayer::play() {
    if (url_.isEmpty())
        return;
    ensureBackend();
    player_->play();
}

void QtMediaPlayer::stop() {
    if (player_)
        player_->stop();
}

void QtMediaPlayer::ensureBackend() {
    if (player_)
        return;
    output_ = std::make_unique<QAudioOutput>();
    player_ = std::make_unique<QMediaPlayer>();
    player_->setAudioOutput(output_.get());
    player_->setLoops(playCount_);
    player_->setSource(url_);
}

}  // namespace kv
