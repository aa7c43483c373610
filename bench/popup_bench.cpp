// How long the user-interface thread spends on showing a chat popup and on each of its 20
// slide-in ticks, painting included. The tick interval is 25 ms; the slide is smooth while a
// tick's work stays well below it.
//
//   popup_bench [ROUNDS]   (offscreen unless QT_QPA_PLATFORM says otherwise)

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/base/cp949.h"
#include "ui/chat/chat_popup.h"
#include "ui/popup/MSNPopUp.h"

using namespace kv;
using Clock = std::chrono::steady_clock;

namespace {

double elapsedMs(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s n=%-6zu median %.3f ms   max %.3f ms\n", what, ms.size(), ms[ms.size() / 2],
                ms.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    TMSNPopUp notifier;
    ApplyChatPopupSettings(notifier);
    const PopupScreenAreas areas{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
    notifier.ScreenSource = [areas] { return areas; };
    notifier.TimerFactory = [] { return std::make_unique<SteppedPopupTimer>(); };
    notifier.Title.clear();
    notifier.Text = cp949("김민수: 회의가 3시로 바뀌었습니다. 자료 챙겨 오세요.");

    std::vector<double> show;
    std::vector<double> ticks;
    int tickCount = 0;
    for (int round = 0; round < rounds; ++round) {
        auto start = Clock::now();
        if (!notifier.ShowPopUp()) {
            std::fprintf(stderr, "popup refused\n");
            return 1;
        }
        QCoreApplication::processEvents();
        show.push_back(elapsedMs(start));
        TfrmMSNPopUp* popup = notifier.Popups().back();
        for (;;) {
            start = Clock::now();
            const bool fired = SteppedPopupTimer::fire(*popup->tmrScroll);
            QCoreApplication::processEvents();
            if (!fired)
                break;
            ticks.push_back(elapsedMs(start));
            ++tickCount;
        }
        notifier.ClosePopUps();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::printf("platform %s, %d rounds, %.1f slide-in ticks per popup\n",
                qPrintable(QGuiApplication::platformName()), rounds, double(tickCount) / rounds);
    report("ShowPopUp (with first paint)", show);
    report("slide-in tick (with paint)", ticks);
    return 0;
}
