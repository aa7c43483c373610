// clang-format off
// An adapter reaching into a module loaded at run time, and out of its folder.
#include "qt/qt_text.h"
#include "modules/media/qt_media_player.h"
#include "../core/base/text.h"
