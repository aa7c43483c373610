// The Qt Network module, loaded by LazyHttpGet for the first download.

#include <QtGlobal>

#include "modules/net/qt_http_get.h"

extern "C" Q_DECL_EXPORT kv::HttpGet* kestrovane_create_http_get() {
    return new kv::QtHttpGet();
}
