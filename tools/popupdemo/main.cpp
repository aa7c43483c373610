// kestrovane-popupdemo: shows three stacked chat-window popups at the bottom right of the screen.
//
//   kestrovane-popupdemo [--timeout SECONDS]
//       Live: the popups slide in, stay, slide out; a click prints "OnClick" and closes one.
//       Ends when all are closed. Without a task bar on the screen, one 40 pixels high at the
//       bottom is assumed, so that the popups slide as they do over a real one.
//   kestrovane-popupdemo --screenshots DIR
//       Steps the slides by hand on a 1024 x 768 screen with a bottom task bar and writes
//       popup-mid-slide.png, popup-full.png (the screen's lower right corner) and
//       popup-window.png (one popup) into DIR.

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "core/base/cp949.h"
#include "ui/chat/chat_popup.h"
#include "ui/popup/MSNPopUp.h"

using namespace kv;

namespace {

const char* const kTexts[] = {
    "엄마: 오늘 저녁에 집에 오니?",
    "김민수: 회의가 3시로 바뀌었습니다. 자료 챙겨 오세요.",
    "이지은: 도착하면 문자 줘~",
};

constexpr int kTaskbarHeight = 40;

// The screen as it is, or with a bottom task bar assumed when the work area has no inset.
PopupScreenAreas screenWithTaskbar() {
    PopupScreenAreas areas = primaryScreenAreas();
    if (TaskbarEdge(areas.screen, areas.workArea) == kEdgeNone) {
        areas.workArea = areas.screen;
        areas.workArea.bottom -= kTaskbarHeight;
    }
    return areas;
}

void showThree(TMSNPopUp& notifier) {
    for (const char* text : kTexts) {
        notifier.Title.clear();
        notifier.Text = cp949(text);
        if (!notifier.ShowPopUp())
            std::fprintf(stderr, "no room for another popup\n");
    }
}

// The lower right corner of the screen with its task bar and the popups over it.
QImage compose(const PopupScreenAreas& areas, const QSize& size) {
    const QRect shot(areas.screen.right - size.width(), areas.screen.bottom - size.height(),
                     size.width(), size.height());
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient desktop(0, 0, size.width(), size.height());
    desktop.setColorAt(0, QColor(46, 98, 150));
    desktop.setColorAt(1, QColor(24, 58, 96));
    p.fillRect(image.rect(), desktop);
    const QRect taskbar(areas.screen.left, areas.workArea.bottom,
                        areas.screen.right - areas.screen.left,
                        areas.screen.bottom - areas.workArea.bottom);
    p.fillRect(taskbar.translated(-shot.topLeft()), QColor(32, 36, 44));
    p.setPen(QColor(90, 96, 108));
    p.drawLine(QPoint(0, taskbar.top() - shot.top()),
               QPoint(size.width(), taskbar.top() - shot.top()));
    for (TfrmMSNPopUp* popup : TMSNPopUp::AllPopups()) {
        if (popup->isVisible())
            p.drawPixmap(popup->pos() - shot.topLeft(), popup->grab());
    }
    return image;
}

int screenshots(const QString& dir) {
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
        return 1;
    }
    const PopupScreenAreas areas{{0, 0, 1024, 768}, {0, 0, 1024, 768 - kTaskbarHeight}};
    TMSNPopUp notifier;
    ApplyChatPopupSettings(notifier);
    notifier.ScreenSource = [areas] { return areas; };
    notifier.TimerFactory = [] { return std::make_unique<SteppedPopupTimer>(); };
    showThree(notifier);

    const QSize size(260, 3 * kChatPopupHeight + kTaskbarHeight + 30);
    auto tick = [&](int times) {
        for (int i = 0; i < times; ++i) {
            for (TfrmMSNPopUp* popup : notifier.Popups())
                SteppedPopupTimer::fire(*popup->tmrScroll);
        }
    };
    tick(10);
    bool ok = compose(areas, size).save(dir + QStringLiteral("/popup-mid-slide.png"));
    tick(10);
    ok = compose(areas, size).save(dir + QStringLiteral("/popup-full.png")) && ok;
    ok = notifier.Popups().at(0)->grab().save(dir + QStringLiteral("/popup-window.png")) && ok;
    if (!ok) {
        std::fprintf(stderr, "cannot write the screenshots into %s\n", qPrintable(dir));
        return 1;
    }
    return 0;
}

int live(QApplication& app, int timeout) {
    TMSNPopUp notifier;
    ApplyChatPopupSettings(notifier);
    notifier.TimeOut = timeout;
    notifier.ScreenSource = screenWithTaskbar;
    notifier.OnClick = [](QObject*) {
        std::printf("OnClick\n");
        std::fflush(stdout);
    };
    showThree(notifier);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (TMSNPopUp::AllPopups().empty())
            app.quit();
    });
    watch.start(100);
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const QStringList args = app.arguments();
    const qsizetype shots = args.indexOf(QStringLiteral("--screenshots"));
    if (shots >= 0) {
        if (shots + 1 >= args.size()) {
            std::fprintf(stderr, "usage: kestrovane-popupdemo --screenshots DIR\n");
            return 2;
        }
        return screenshots(args.at(shots + 1));
    }
    int timeout = 5;
    const qsizetype t = args.indexOf(QStringLiteral("--timeout"));
    if (t >= 0 && t + 1 < args.size())
        timeout = std::max(1, args.at(t + 1).toInt());
    return live(app, timeout);
}
