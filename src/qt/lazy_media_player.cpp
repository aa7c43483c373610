#include "qt/lazy_media_player.h"

#include "qt/module_loader.h"

namespace kv {

namespace {
using CreatePlayer = MediaPlayer* (*)();
}

LazyMediaPlayer::LazyMediaPlayer() = default;
LazyMediaPlayer::~LazyMediaPlayer() = default;

MediaPlayer* LazyMediaPlayer::player() {
    if (!tried_) {
        tried_ = true;
        if (auto create = reinterpret_cast<CreatePlayer>(ResolveModuleSymbol(
                QStringLiteral("kestrovane-media"), "kestrovane_create_media_player"))) {
            player_.reset(create());
            player_->setAutoStart(false);
            player_->setPlayCount(playCount_);
            player_->setUrl(url_);
        }
    }
    return player_.get();
}

void LazyMediaPlayer::setUrl(std::string_view url) {
    url_ = std::string(url);
    if (player_)
        player_->setUrl(url_);
    else if (autoStart_ && !url_.empty())
        play();
}

void LazyMediaPlayer::setAutoStart(bool autoStart) {
    autoStart_ = autoStart;
    if (player_)
        player_->setAutoStart(autoStart);
}

void LazyMediaPlayer::setPlayCount(int count) {
    playCount_ = count;
    if (player_)
        player_->setPlayCount(count);
}

void LazyMediaPlayer::play() {
    if (MediaPlayer* p = player())
        p->play();
}

void LazyMediaPlayer::stop() {
    // Nothing can be playing before the module was loaded.
    if (player_)
        player_->stop();
}

}  // namespace kv
