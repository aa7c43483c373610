// The group send dialog with large contact lists: 749 partners (the most a 16,384-byte partner
// list carries) and 10,000, with 20,000 to show how it scales. For each: opening (filling from
// the contact tree, showing, selecting all contacts), moving every entry to the recipients,
// and composing the line ("예약(즉시) 전송" up to its question, answered No). Prints the median of
// several runs; offscreen unless QT_QPA_PLATFORM says otherwise.

#include <QApplication>
#include <QListView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/base/cp949.h"
#include "core/connection/vane.h"
#include "core/contacts/contact_tree.h"
#include "core/ports/message_boxes.h"
#include "core/posix/posix_line_socket.h"
#include "qt/qt_ui_thread.h"
#include "qt/widgets/send_memo.h"
#include "ui/group_send/GroupSendUnit.h"

namespace {

using Clock = std::chrono::steady_clock;

// Answers every question with No, so that composing is measured without sending.
class NoBoxes final : public kv::MessageBoxes {
public:
    Result Show(const std::string& text, Icon, Buttons) override {
        lastLength = text.size();
        return Result::No;
    }
    std::optional<std::string> Input(const std::string&, const std::string&, const std::string&,
                                     const Refusal&) override {
        return std::nullopt;
    }
    std::size_t lastLength = 0;
};

// Partners over 50 groups, Korean nicknames, numeric ports.
void fillTree(kv::ContactTree& tree, int partners) {
    std::vector<kv::ContactNode*> groups;
    for (int g = 0; g < 50; ++g) {
        kv::ContactNode* n = tree.AddRoot(kv::cp949("그룹 ") + std::to_string(g), 0);
        auto group = std::make_unique<kv::AGroup>();
        group->GroupId = g + 1;
        tree.SetData(n, std::make_unique<kv::ANodeData>(std::move(group)));
        groups.push_back(n);
    }
    for (int p = 0; p < partners; ++p) {
        auto b = std::make_unique<kv::ABuddy>();
        b->NickName = kv::cp949("친구 ") + std::to_string(p);
        b->UserPort = std::to_string(100000 + p);
        kv::ContactNode* n =
            tree.AddChild(groups[static_cast<std::size_t>(p) % groups.size()], b->NickName, 0);
        tree.SetData(n, std::make_unique<kv::ANodeData>(std::move(b)));
    }
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Figures {
    double open = 0;
    double move = 0;
    double compose = 0;
    std::size_t lineBytes = 0;
};

Figures runOnce(const kv::ContactTree& tree, kv::TVANE& conn) {
    NoBoxes boxes;
    Figures f;
    auto t0 = Clock::now();
    kv::TGroupSend dialog({&conn, &boxes, nullptr, {}});
    dialog.FillContacts(tree);
    dialog.show();
    dialog.FormActivate();
    QApplication::processEvents();  // laid out and painted
    f.open = ms(Clock::now() - t0);

    t0 = Clock::now();
    dialog.Button1Click();
    QApplication::processEvents();
    f.move = ms(Clock::now() - t0);
    if (!dialog.Lists().Contacts().empty())
        std::abort();

    dialog.SendText->setPlainText(QStringLiteral("모두에게 안부 전합니다"));
    t0 = Clock::now();
    dialog.SendBtnClick();
    f.compose = ms(Clock::now() - t0);
    f.lineBytes =
        kv::PlanGroupSend({kv::cp949("x"), {}, false, {}, {}}, dialog.Lists().Recipients())
            .line.size();
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QObject uiOwner;
    kv::TVANE conn(kv::QtUiThread::create(&uiOwner), kv::makePosixLineSocket);
    conn.CashCount = 25;
    std::printf("group send dialog (median of 5 runs, ms)\n");
    std::printf("  %8s %10s %10s %10s %12s\n", "partners", "open", "move all", "compose",
                "PS: bytes");
    for (const int partners : {749, 10000, 20000}) {
        kv::ContactTree tree;
        fillTree(tree, partners);
        std::vector<double> open, move, compose;
        std::size_t bytes = 0;
        for (int run = 0; run < 5; ++run) {
            const Figures f = runOnce(tree, conn);
            open.push_back(f.open);
            move.push_back(f.move);
            compose.push_back(f.compose);
            bytes = f.lineBytes;
        }
        std::printf("  %8d %10.2f %10.2f %10.2f %12zu\n", partners, median(open), median(move),
                    median(compose), bytes);
    }
    std::printf("  targets: each step under 50 ms at 749, under 500 ms at 10,000\n");
    return 0;
}
