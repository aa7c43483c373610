#include "ui/contacts/contact_tree_view.h"

#include <QtTest>

#include "core/base/cp949.h"
#include "ui/contacts/status_images.h"

using kv::ANodeData;
using kv::ContactNode;
using kv::ContactTree;
using kv::TVuserlist;

namespace {

ContactNode* addGroup(ContactTree& tree, std::int32_t id, const char* utf8Name, int count) {
    auto g = std::make_unique<kv::AGroup>();
    g->GroupId = id;
    g->GroupName = kv::cp949(utf8Name);
    g->Count = count;
    ContactNode* node = tree.AddRoot(kv::GroupCaption(*g), 0);
    tree.SetData(node, std::make_unique<ANodeData>(std::move(g)));
    return node;
}

ContactNode* addBuddy(ContactTree& tree, ContactNode* group, const std::string& nick) {
    auto b = std::make_unique<kv::ABuddy>();
    b->NickName = nick;
    ContactNode* node = group ? tree.AddChild(group, nick, 1) : tree.AddRoot(nick, 1);
    tree.SetData(node, std::make_unique<ANodeData>(std::move(b)));
    return node;
}

// The example tree: 가족 (1) with 엄마, 친구, then 홍길동 at the root level, all expanded.
struct Example {
    ContactTree tree;
    ContactNode* family = addGroup(tree, 1, "가족", 1);
    ContactNode* mom = addBuddy(tree, family, kv::cp949("엄마"));
    ContactNode* friends = addGroup(tree, 2, "친구", 0);
    ContactNode* hong = addBuddy(tree, nullptr, kv::cp949("홍길동"));
    TVuserlist view{tree};
    Example() {
        tree.ExpandAll();
        view.resize(220, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
};

bool isWhite(QRgb c) {
    return qRed(c) > 245 && qGreen(c) > 245 && qBlue(c) > 245;
}

}  // namespace

class ContactTreeViewTest : public QObject {
    Q_OBJECT
private slots:
    void settingsOfTheTree() {
        ContactTree tree;
        TVuserlist view(tree);
        QVERIFY(!view.rootIsDecorated());
        QCOMPARE(view.indentation(), 19);
        QVERIFY(view.isHeaderHidden());
        QCOMPARE(view.editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!view.isSortingEnabled());
        QVERIFY(!view.expandsOnDoubleClick());
        QCOMPARE(view.focusPolicy(), Qt::ClickFocus);  // not reached by Tab
        QVERIFY(view.dragEnabled());
        QCOMPARE(view.selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(view.frameShape(), QFrame::NoFrame);
        QCOMPARE(view.iconSize(), QSize(16, 16));
        QCOMPARE(view.font().pixelSize(), 12);
        const QPalette pal = view.palette();
        QCOMPARE(pal.color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::Highlight),
                 pal.color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::HighlightedText),
                 pal.color(QPalette::Active, QPalette::HighlightedText));
        QVERIFY(!(view.Model().flags(QModelIndex()) & Qt::ItemIsEditable));
    }

    void modelFollowsTheTree() {
        Example ex;
        // A 4-pixel inner border around the nodes' area.
        QCOMPARE(ex.view.viewport()->geometry(), ex.view.rect().adjusted(4, 4, -4, -4));
        kv::ContactItemModel& m = ex.view.Model();
        QCOMPARE(m.rowCount(), 3);
        const QModelIndex family = m.index(0, 0);
        QCOMPARE(m.rowCount(family), 1);
        QCOMPARE(m.data(family).toString(), QStringLiteral("가족 (1)"));
        QCOMPARE(m.data(m.index(0, 0, family)).toString(), QStringLiteral("엄마"));
        QCOMPARE(m.parent(m.index(0, 0, family)), family);
        QVERIFY(!(m.flags(family) & Qt::ItemIsEditable));
        QVERIFY(ex.view.isExpanded(family));
        QVERIFY(ex.view.isExpanded(m.index(1, 0)));

        // The member collapses a group; the tree keeps the flag, and the tree's flag is
        // shown again.
        ex.view.collapse(family);
        QVERIFY(!ex.family->Expanded());
        ex.tree.SetExpanded(ex.family, true);
        QVERIFY(ex.view.isExpanded(family));

        ex.tree.SetCaption(ex.friends, kv::cp949("친구 (1)"));
        QCOMPARE(m.data(m.index(1, 0)).toString(), QStringLiteral("친구 (1)"));
        // Bytes that are not CP949 show as replacement characters; the node keeps them.
        ex.tree.SetCaption(ex.hong, "\xff\xff");
        QVERIFY(m.data(m.index(2, 0)).toString().contains(QChar(0xFFFD)));
        QCOMPARE(ex.hong->Caption(), std::string("\xff\xff"));

        ex.tree.MoveTo(ex.hong, ex.friends);
        QCOMPARE(m.rowCount(), 2);
        QCOMPARE(m.rowCount(m.index(1, 0)), 1);
        ex.tree.Delete(ex.family);
        QCOMPARE(m.rowCount(), 1);
        QCOMPARE(m.data(m.index(0, 0)).toString(), QStringLiteral("친구 (1)"));
        ex.tree.Clear();
        QCOMPARE(m.rowCount(), 0);
    }

    void viewOutlivingItsTreeShowsNothing() {
        auto tree = std::make_unique<ContactTree>();
        addGroup(*tree, 1, "가족", 0);
        TVuserlist view(*tree);
        QCOMPARE(view.Model().rowCount(), 1);
        tree.reset();
        QCOMPARE(view.Model().rowCount(), 0);
    }

    void imagesDrawnForTheProject() {
        const QImage group = kv::StatusImage(0).toImage();
        const QImage buddy = kv::StatusImage(1).toImage();
        QCOMPARE(group.size(), QSize(16, 16));
        QCOMPARE(buddy.size(), QSize(16, 16));
        QVERIFY(group != buddy);
        // Group: a blue square with a white mark in the middle, transparent corners.
        const QColor edge = group.pixelColor(3, 13);
        QVERIFY(edge.blue() > 150 && edge.red() < 120);
        QVERIFY(isWhite(group.pixel(8, 9)));
        QCOMPARE(group.pixelColor(0, 0).alpha(), 0);
        // Partner: a blue screen in a dark body, transparent beside it.
        const QColor screen = buddy.pixelColor(8, 6);
        QVERIFY(screen.blue() > 150 && screen.blue() > screen.red() + 60);
        const QColor body = buddy.pixelColor(8, 14);
        QVERIFY(body.alpha() == 255 && body.red() < 120 && body.blue() < 120);
        QCOMPARE(buddy.pixelColor(0, 8).alpha(), 0);
        // A selected node shows the same picture.
        const QIcon icon = kv::StatusIcon(1);
        QCOMPARE(icon.pixmap(16, 16, QIcon::Selected).toImage(),
                 icon.pixmap(16, 16, QIcon::Normal).toImage());
        QCOMPARE(groupDecorationIsTheStatusImage(), true);
    }

    void hitTestTellsLabelImageIndentAndEmptyArea() {
        Example ex;
        using Area = TVuserlist::HitArea;
        const QRect momImage = ex.view.ImageRect(ex.mom);
        const QRect momLabel = ex.view.LabelRect(ex.mom);
        QCOMPARE(momImage.size(), QSize(16, 16));
        QVERIFY(momLabel.left() >= momImage.right());
        // Root nodes are flush left; a child sits one 19-pixel indent further in.
        const QRect familyImage = ex.view.ImageRect(ex.family);
        QVERIFY(familyImage.left() < 19);
        QCOMPARE(momImage.left() - familyImage.left(), 19);

        auto hit = [&](QPoint p) { return ex.view.HitTest(p); };
        QCOMPARE(hit(momImage.center()).area, Area::Image);
        QCOMPARE(hit(momImage.center()).node, ex.mom);
        QCOMPARE(hit(momLabel.center()).area, Area::Label);
        QCOMPARE(hit(momLabel.center()).node, ex.mom);
        QCOMPARE(hit(QPoint(familyImage.left() + 2, momImage.center().y())).area, Area::Indent);
        QCOMPARE(hit(QPoint(momLabel.right() + 30, momLabel.center().y())).area,
                 Area::RightOfLabel);
        const QRect hongLabel = ex.view.LabelRect(ex.hong);
        QCOMPARE(hit(hongLabel.center()).node, ex.hong);
        QCOMPARE(hit(QPoint(hongLabel.center().x(), hongLabel.bottom() + 40)).area, Area::Nowhere);
        QCOMPARE(hit(QPoint(hongLabel.center().x(), hongLabel.bottom() + 40)).node, nullptr);
        // The painted image is where the hit test says it is.
        const QImage shot = ex.view.viewport()->grab().toImage();
        QVERIFY(!isWhite(shot.pixel(momImage.center())));
        QVERIFY(!isWhite(shot.pixel(familyImage.center())));
        QVERIFY(isWhite(shot.pixel(QPoint(familyImage.left() + 2, momImage.center().y()))));
    }

    void mouseHandling() {
        Example ex;
        QWidget* vp = ex.view.viewport();
        std::vector<std::pair<Qt::MouseButton, QPoint>> ups;
        int dblClicks = 0;
        ex.view.OnMouseUp = [&](Qt::MouseButton b, const QPoint& p) { ups.emplace_back(b, p); };
        ex.view.OnDblClick = [&] { ++dblClicks; };

        const QPoint onHong = ex.view.LabelRect(ex.hong).center();
        QTest::mouseClick(vp, Qt::RightButton, {}, onHong);
        QCOMPARE(ex.view.Selected(), ex.hong);  // a right click selects
        QCOMPARE(ups.size(), 1u);
        QCOMPARE(ups[0].first, Qt::RightButton);
        QCOMPARE(ups[0].second, onHong);

        const QPoint onFamily = ex.view.LabelRect(ex.family).center();
        QTest::mouseClick(vp, Qt::LeftButton, {}, onFamily);
        QCOMPARE(ex.view.Selected(), ex.family);
        QTest::mouseDClick(vp, Qt::LeftButton, {}, onFamily);
        QCOMPARE(dblClicks, 1);
        QVERIFY(ex.family->Expanded());  // a double click does not fold a group

        ex.view.Select(nullptr);
        QCOMPARE(ex.view.Selected(), nullptr);
        ex.view.Select(ex.mom);
        QCOMPARE(ex.view.Selected(), ex.mom);
    }

private:
    static bool groupDecorationIsTheStatusImage() {
        ContactTree tree;
        addGroup(tree, 1, "가족", 0);
        TVuserlist view(tree);
        const QIcon icon =
            view.Model().data(view.Model().index(0, 0), Qt::DecorationRole).value<QIcon>();
        return icon.pixmap(16, 16).toImage() == kv::StatusImage(0).toImage();
    }
};

QTEST_MAIN(ContactTreeViewTest)
#include "contact_tree_view_test.moc"
