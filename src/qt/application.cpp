#include "qt/application.h"

#include <QFont>
#include <QFontDatabase>

#include <algorithm>
#include <exception>

#include "core/base/CommonUnit.h"
#include "core/base/cp949.h"
#include "core/ports/message_boxes.h"
#include "qt/deferred_icon_style.h"
#include "qt/logo.h"

namespace kv {

KestrovaneApplication::KestrovaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The name is also the class of every window (WM_CLASS), which the menu entry names as
    // StartupWMClass; the desktop file name lets task bars group the windows under its icon.
    setApplicationName(QStringLiteral("Kestrovane"));
    setApplicationVersion(QString::fromLatin1(kProgramVersion));
    setDesktopFileName(QStringLiteral("kestrovane"));
    // The desktop's style (as chosen by the platform, or by -style), its extension-button icons
    // read when first shown.
    setStyle(new DeferredIconStyle(style()));
    setFont(InterfaceFont());
    setWindowIcon(KestrovaneIcon());
    // Closing the main window only hides it in the tray; the exit command ends the program.
    setQuitOnLastWindowClosed(false);
}

QFont KestrovaneApplication::InterfaceFont() {
    // Gulim where the desktop has it, else a Korean face that Linux desktops carry. The first
    // one installed is named alone: with a missing family first, every look-up of a face ends
    // in a search through all the fonts, which each start paid for.
    const QStringList wanted{QStringLiteral("Gulim"), QStringLiteral("Noto Sans CJK KR"),
                             QStringLiteral("Noto Sans KR"), QStringLiteral("NanumGothic")};
    const QStringList installed = QFontDatabase::families();
    QFont font;
    const auto found = std::find_if(wanted.begin(), wanted.end(), [&](const QString& family) {
        return installed.contains(family, Qt::CaseInsensitive);
    });
    if (found != wanted.end())
        font.setFamily(*found);
    else
        font.setFamilies(wanted);
    font.setPixelSize(12);
    return font;
}

bool KestrovaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        if (boxes_) {
            const auto text = utf8ToCp949(e.what());
            boxes_->Show(text ? *text : std::string(e.what()), MessageBoxes::Icon::Error,
                         MessageBoxes::Buttons::Ok);
        }
    }
    return false;
}

}  // namespace kv
