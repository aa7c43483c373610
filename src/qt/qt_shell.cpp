#include "qt/qt_shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "qt/qt_text.h"

namespace kv {

void QtShell::Open(const std::string& url) {
    QDesktopServices::openUrl(QUrl(fromCp949(url), QUrl::TolerantMode));
}

}  // namespace kv
