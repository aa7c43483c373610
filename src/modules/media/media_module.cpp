// The Qt Multimedia module, loaded by LazyMediaPlayer when a sound first plays.

#include <QtGlobal>

#include "modules/media/qt_media_player.h"

extern "C" Q_DECL_EXPORT kv::MediaPlayer* kestrovane_create_media_player() {
    return new kv::QtMediaPlayer();
}
