// Intake of the sign-in lists, from the line to the finished tree and view: the maximal lists
// (a 16,384-byte "GR:" and a 16,384-byte "AC:" line) and a scaling run with up to 10,000
// partners over 200 groups. Prints figures; offscreen unless QT_QPA_PLATFORM says otherwise.

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "contact_lists.h"
#include "core/base/CommonUnit.h"
#include "core/contacts/contact_intake.h"
#include "qt/qt_ui_thread.h"
#include "ui/contacts/contact_tree_view.h"

namespace {

using kv::bench::groupLine;
using kv::bench::NullSocket;
using kv::bench::partnerLine;
using Clock = std::chrono::steady_clock;

int entries(const std::string& line) {
    return static_cast<int>(std::count(line.begin(), line.end(), '/'));
}

struct Timing {
    double intakeMs;  // both handlers: records, tree, model and view notifications
    double viewMs;    // pending layout and the first paint of the view
};

struct Rig {
    std::shared_ptr<kv::UiThread> ui;
    kv::TVANE conn;
    kv::ContactTree tree;
    std::mutex lock;
    kv::ContactIntake intake;
    kv::TVuserlist view;

    explicit Rig(QObject* owner)
        : ui(kv::QtUiThread::create(owner)),
          conn(ui, [] { return std::make_shared<NullSocket>(); }),
          intake(conn, tree, lock, {}),
          view(tree) {
        view.resize(281, 435);
        view.show();
        conn.Connect();
    }

    Timing run(const std::string& groups, const std::string& partners) {
        intake.ClearContactTree();
        conn.SetState(kv::ConnectionState::SigningIn);
        QCoreApplication::processEvents();
        const auto t0 = Clock::now();
        conn.Msg = groups;
        intake.DoActiveGroupList();
        conn.Msg = partners;
        intake.DoActiveList();
        const auto t1 = Clock::now();
        QCoreApplication::processEvents();
        view.viewport()->grab();
        const auto t2 = Clock::now();
        if (conn.State() != kv::ConnectionState::SignedIn)
            std::abort();
        using ms = std::chrono::duration<double, std::milli>;
        return {ms(t1 - t0).count(), ms(t2 - t1).count()};
    }

    Timing best(const std::string& groups, const std::string& partners, int rounds) {
        Timing b{1e300, 1e300};
        for (int i = 0; i < rounds; ++i) {
            const Timing t = run(groups, partners);
            b.intakeMs = std::min(b.intakeMs, t.intakeMs);
            b.viewMs = std::min(b.viewMs, t.viewMs);
        }
        return b;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QObject owner;
    Rig rig(&owner);

    const std::string maxGroups = groupLine(200, kv::kMaxLineLength);
    const std::string maxPartners = partnerLine(100000, 200, kv::kMaxLineLength);
    const Timing m = rig.best(maxGroups, maxPartners, 20);
    std::printf("maximal lists: GR %zu bytes (%d groups), AC %zu bytes (%d partners)\n",
                maxGroups.size(), entries(maxGroups), maxPartners.size(), entries(maxPartners));
    std::printf("  intake %.3f ms, view layout and paint %.3f ms (best of 20)\n\n", m.intakeMs,
                m.viewMs);

    std::printf("scaling, 200 groups (best of 5)\n");
    std::printf("%10s %12s %14s %12s\n", "partners", "intake ms", "us/partner", "view ms");
    const std::string groups200 = groupLine(200);
    for (int n : {625, 1250, 2500, 5000, 10000}) {
        const Timing t = rig.best(groups200, partnerLine(n, 200), 5);
        std::printf("%10d %12.3f %14.3f %12.3f\n", n, t.intakeMs, 1000.0 * t.intakeMs / n,
                    t.viewMs);
    }
    return 0;
}
