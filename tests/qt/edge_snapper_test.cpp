#include "qt/edge_snapper.h"

#include <QScreen>
#include <QWidget>
#include <QtTest>

class EdgeSnapperTest : public QObject {
    Q_OBJECT
private slots:
    void aWindowMovedNearAnEdgeLiesOnIt() {
        QWidget window;
        new kv::EdgeSnapper(&window);
        window.resize(200, 150);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect area = window.screen()->availableGeometry();
        window.move(area.left() + 7, area.top() + 100);
        QTRY_COMPARE(window.frameGeometry().left(), area.left());
        QCOMPARE(window.frameGeometry().top(), area.top() + 100);
        window.move(area.right() - window.frameGeometry().width() - 5, area.top() + 40);
        QTRY_COMPARE(window.frameGeometry().right(), area.right());
        window.move(area.left() + 40, area.top() + 40);  // far from every edge: stays
        QTRY_COMPARE(window.frameGeometry().topLeft(), QPoint(area.left() + 40, area.top() + 40));
    }
};

QTEST_MAIN(EdgeSnapperTest)
#include "edge_snapper_test.moc"
