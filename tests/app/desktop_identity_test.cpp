// The program as the desktop sees it: the window class and desktop file name that tie its
// windows to the menu entry, and one icon, the one the icon theme gets, on the tray and on
// every window.

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QMenuBar>
#include <QProxyStyle>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QtTest>

#include "qt/application.h"
#include "qt/logo.h"
#include "qt/qt_text.h"
#include "support/fake_main_services.h"
#include "ui/main/MainUnit.h"

namespace {

QString desktopKey(const QString& key) {
    QFile file(QStringLiteral(KV_DESKTOP_FILE));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("(unreadable)");
    const QString prefix = key + QLatin1Char('=');
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    return {};
}

QImage themeIcon(int size) {
    return QImage(QStringLiteral(KV_ICON_DIR "/%1x%1/apps/kestrovane.png").arg(size))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage shown(const QIcon& icon, int size) {
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

bool imagePluginLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

class DesktopIdentityTest : public QObject {
    Q_OBJECT
private slots:
    // First: nothing before it has read a picture whose format Qt had to find.
    void aMenuBarReadsItsExtensionIconOnlyWhenShown() {
        auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
        QVERIFY(style);
        QVERIFY(!style->baseStyle()->name().isEmpty());  // the desktop's, as Qt chose it
        QVERIFY(!imagePluginLoaded());
        QMenuBar bar;
        bar.addMenu(QStringLiteral("파일(&F)"));
        auto* extension = bar.findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
        QVERIFY(extension);
        QVERIFY(!extension->icon().isNull());
        QVERIFY(!imagePluginLoaded());
        // Drawn, it is the desktop style's own picture.
        QCOMPARE(
            shown(extension->icon(), 16),
            shown(style->baseStyle()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton),
                  16));
        QVERIFY(!shown(extension->icon(), 16).isNull());
    }

    void windowsBelongToTheMenuEntry() {
        // Qt names every window's class after the application (WM_CLASS), and Wayland's
        // app id after the desktop file name.
        QCOMPARE(desktopKey(QStringLiteral("StartupWMClass")), QApplication::applicationName());
        QCOMPARE(QApplication::desktopFileName() + QStringLiteral(".desktop"),
                 QFileInfo(QStringLiteral(KV_DESKTOP_FILE)).fileName());
        QCOMPARE(desktopKey(QStringLiteral("Icon")), QStringLiteral("kestrovane"));
    }

    void theInterfaceFontIsOneInstalledKoreanFace() {
        const QStringList families = QApplication::font().families();
        if (families.size() > 1)
            QSKIP("none of the Korean faces the program looks for is installed");
        // Named alone and installed: a missing family first would send every look-up of a face
        // through a search of all the fonts.
        QCOMPARE(families.size(), 1);
        QVERIFY(QFontDatabase::families().contains(families.first()));
        QVERIFY(QFontDatabase::writingSystems(families.first()).contains(QFontDatabase::Korean));
        QCOMPARE(QApplication::font().pixelSize(), 12);

        // Bold labels thicken the same face rather than load the family's bold one too.
        const QFont bold = kv::BoldOf(QApplication::font());
        QVERIFY(bold.bold());
        QCOMPARE(QFontInfo(bold).family(), families.first());
        QCOMPARE(QFontInfo(bold).styleName(), QStringLiteral("Regular"));
        QVERIFY(QFontInfo(bold).bold());
    }

    void oneIconForTheMenuTheTrayAndTheWindows() {
        const QList<QSize> sizes = kv::KestrovaneIcon().availableSizes();
        QCOMPARE(sizes.size(), 5);
        for (int size : {16, 22, 24, 32, 48}) {
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
            const QImage theme = themeIcon(size);
            QVERIFY(!theme.isNull());
            QCOMPARE(shown(QApplication::windowIcon(), size), theme);
        }

        kv::test::FakeMainServices rig;
        kv::TMainForm form(rig.services());
        QTRY_VERIFY(form.TrayIcon != nullptr);
        QCOMPARE(shown(form.TrayIcon->icon(), 22), themeIcon(22));
        QCOMPARE(shown(form.windowIcon(), 32), themeIcon(32));
        // The logo is rendered with the program at the heights its windows show.
        for (int height : {40, 44}) {
            const QPixmap logo = kv::KestrovaneLogo(height);
            QCOMPARE(logo.height(), height);
            QVERIFY(logo.width() > 3 * height);
        }
    }
};

int main(int argc, char** argv) {
    kv::KestrovaneApplication app(argc, argv);
    DesktopIdentityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_identity_test.moc"
