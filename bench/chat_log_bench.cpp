// A long conversation in one chat window, offscreen: the cost of appending 10,000 log entries
// (first and last thousand), the memory each entry takes, and the time to write the log as RTF
// and as plain text. Prints figures; judges nothing.

#include <QApplication>
#include <QElapsedTimer>

#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/base/cp949.h"
#include "core/messaging/chat_log.h"
#include "ui/chat/SessionUnit.h"
#include "ui/popup/MSNPopUp.h"

namespace {

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kEntries = 10000;
    constexpr int kBlock = 1000;

    kv::TSessionForm form(kv::SessionServices{});
    form.SetPartner(kv::cp949("민수"), "01023456789", "1003");
    form.show();
    QCoreApplication::processEvents();

    const std::string lines[3] = {kv::cp949("주말에 시간 있어?<br>같이 영화 보자"),
                                  kv::cp949("(자동응답) 지금은 바빠서 나중에 연락할게요."),
                                  kv::cp949("ㅋㅋ 알았어")};
    std::vector<double> blockMs;
    const long before = residentKiB();
    QElapsedTimer block;
    block.start();
    for (int i = 0; i < kEntries; ++i) {
        form.ShowIncoming(lines[i % 3]);
        if ((i + 1) % kBlock == 0) {
            QCoreApplication::processEvents();  // painting and layout, as the loop would
            blockMs.push_back(block.nsecsElapsed() / 1e6);
            block.restart();
        }
    }
    const long after = residentKiB();

    std::printf("entries appended        %d (%zu paragraphs)\n", kEntries,
                form.Log().Paragraphs().size());
    std::printf("first 1000 entries      %.1f ms\n", blockMs.front());
    std::printf("last 1000 entries       %.1f ms (%.2fx the first; target at most 2x)\n",
                blockMs.back(), blockMs.back() / blockMs.front());
    std::printf("memory per entry        %.0f bytes (resident growth %ld KiB)\n",
                (after - before) * 1024.0 / kEntries, after - before);

    QElapsedTimer t;
    t.start();
    const std::string rtf = kv::WriteChatLogRtf(form.Log());
    const double rtfMs = t.nsecsElapsed() / 1e6;
    t.restart();
    const std::string text = kv::WriteChatLogText(form.Log(), {true, "\n"});
    const double textMs = t.nsecsElapsed() / 1e6;
    std::printf("log as RTF              %.1f ms (%zu bytes)\n", rtfMs, rtf.size());
    std::printf("log as plain text       %.1f ms (%zu bytes)\n", textMs, text.size());
    form.MSNPopUp->ClosePopUps();
    return 0;
}
