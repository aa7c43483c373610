// The contact commands on a large list: 10,000 partners over 200 groups, shown in the tree
// view. Measures the user-interface thread's time for a drop onto a group, a partner delete
// and a group rename (the command itself, then the event-loop pass that lays the view out
// again), and the contacts menu's enabling. With --core the tree has no view, which shows the
// logic's own share. Prints figures; offscreen unless QT_QPA_PLATFORM says otherwise.

#include <QAction>
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "contact_lists.h"
#include "core/contacts/contact_commands.h"
#include "core/contacts/contact_intake.h"
#include "qt/qt_ui_thread.h"
#include "ui/contacts/contact_tree_view.h"

namespace {

using Clock = std::chrono::steady_clock;
using Us = std::chrono::duration<double, std::micro>;

// Every question answered Yes, every input box with a new name.
class AnsweringBoxes final : public kv::MessageBoxes {
public:
    Result Show(const std::string&, Icon, Buttons buttons) override {
        return buttons == Buttons::YesNo ? Result::Yes : Result::Ok;
    }
    std::optional<std::string> Input(const std::string&, const std::string&,
                                     const std::string& value, const Refusal&) override {
        return value + "x";
    }
};

class NoDialogs final : public kv::UserAddDialogs {
public:
    std::optional<kv::UserAddValues> AddPartner() override { return std::nullopt; }
    std::optional<kv::UserAddValues> PartnerDetails(const kv::ABuddy&) override {
        return std::nullopt;
    }
    void ConfirmPartner(const kv::UserAddValues&) override {}
};

struct Stats {
    std::vector<double> us;
    void add(Clock::duration d) { us.push_back(Us(d).count()); }
    void print(const char* what) {
        std::sort(us.begin(), us.end());
        double sum = 0;
        for (double v : us)
            sum += v;
        std::printf("%-34s n=%4zu  mean %8.2f us  median %8.2f us  max %8.2f us\n", what, us.size(),
                    sum / static_cast<double>(us.size()), us[us.size() / 2], us.back());
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QObject owner;
    kv::TVANE conn(kv::QtUiThread::create(&owner),
                   [] { return std::make_shared<kv::bench::NullSocket>(); });
    kv::ContactTree tree;
    std::mutex lock;
    AnsweringBoxes boxes;
    NoDialogs dialogs;
    kv::ContactIntake intake(conn, tree, lock, {});
    kv::ContactCommands commands(conn, tree, lock, boxes, dialogs);
    const bool withView = !(argc > 1 && std::string(argv[1]) == "--core");
    std::unique_ptr<kv::TVuserlist> view;
    if (withView) {
        view = std::make_unique<kv::TVuserlist>(tree);
        view->resize(281, 435);
        view->show();
    }
    auto select = [&](kv::ContactNode* node) {
        if (view)
            view->Select(node);
    };
    conn.Connect();
    conn.Msg = kv::bench::groupLine(200);
    intake.DoActiveGroupList();
    conn.Msg = kv::bench::partnerLine(10000, 200);
    intake.DoActiveList();
    QCoreApplication::processEvents();
    if (view)
        view->viewport()->grab();
    std::printf("tree: %zu nodes, %zu at the root level, %s\n\n", tree.Count(), tree.RootCount(),
                view ? "view shown and expanded" : "no view");

    constexpr int kRounds = 500;
    std::vector<kv::ContactNode*> groups;
    for (std::size_t r = 0; r < tree.RootCount(); ++r)
        if (tree.Root(r)->Data()->Kind() == kv::ANodeData::kGroup && tree.Root(r)->ChildCount())
            groups.push_back(tree.Root(r));

    Stats drop, dropLayout, del, delLayout, rename, renameLayout, menu;
    auto layout = [&](Stats& s) {
        const auto t = Clock::now();
        QCoreApplication::processEvents();
        s.add(Clock::now() - t);
    };
    for (int i = 0; i < kRounds; ++i) {
        // The first partner of one group onto the next group.
        kv::ContactNode* from = groups[static_cast<std::size_t>(i) % groups.size()];
        kv::ContactNode* to = groups[static_cast<std::size_t>(i + 1) % groups.size()];
        kv::ContactNode* partner = from->Child(0);
        select(partner);
        auto t = Clock::now();
        commands.TVuserlistDragDrop(partner, to);
        drop.add(Clock::now() - t);
        layout(dropLayout);

        kv::ContactNode* victim = to->Child(to->ChildCount() / 2);
        select(victim);
        t = Clock::now();
        commands.actDeleteUserExecute(victim);
        del.add(Clock::now() - t);
        layout(delLayout);

        select(to);
        t = Clock::now();
        commands.actRenameGroupExecute(to);
        rename.add(Clock::now() - t);
        layout(renameLayout);
    }

    QAction items[5];
    kv::ContactNode* selections[] = {nullptr, groups[3], groups[7]->Child(0)};
    for (int i = 0; i < 20000; ++i) {
        const auto t = Clock::now();
        const kv::ContactsMenuItems on = kv::ContactsMenuEnabling(selections[i % 3]);
        items[0].setEnabled(on.miSend);
        items[1].setEnabled(on.miMemberInfo);
        items[2].setEnabled(on.miDeleteUser);
        items[3].setEnabled(on.miRenameGroup);
        items[4].setEnabled(on.miDeleteGroup);
        menu.add(Clock::now() - t);
    }

    drop.print("drop onto a group");
    dropLayout.print("  then the event-loop pass");
    del.print("partner delete");
    delLayout.print("  then the event-loop pass");
    rename.print("group rename");
    renameLayout.print("  then the event-loop pass");
    menu.print("contacts menu enabling (5 items)");
    std::printf("\nnodes left: %zu\n", tree.Count());
    return 0;
}
