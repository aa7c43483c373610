#include "app/application.h"

#include <QFont>

#include <exception>

#include "app/logo.h"
#include "common/cp949.h"
#include "platform/message_boxes.h"

namespace kv {

KestrovaneApplication::KestrovaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The name is also the class of every window (WM_CLASS), which the menu entry names as
    // StartupWMClass; the desktop file name lets task bars group the windows under its icon.
    setApplicationName(QStringLiteral("Kestrovane"));
    setApplicationVersion(QStringLiteral("1.0.1.2"));
    setDesktopFileName(QStringLiteral("kestrovane"));
    setFont(InterfaceFont());
    setWindowIcon(KestrovaneIcon());
    // Closing the main window only hides it in the tray; the exit command ends the program.
    setQuitOnLastWindowClosed(false);
}

QFont KestrovaneApplication::InterfaceFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Gulim"), QStringLiteral("Noto Sans CJK KR"),
                      QStringLiteral("Noto Sans KR"), QStringLiteral("NanumGothic")});
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
