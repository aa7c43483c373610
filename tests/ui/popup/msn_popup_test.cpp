#include "ui/popup/MSNPopUp.h"

#include <QFrame>
#include <QtTest>

#include "core/base/cp949.h"
#include "ui/chat/chat_popup.h"

using namespace kv;

namespace {

bool fire(PopupTimer& timer) {
    return SteppedPopupTimer::fire(timer);
}

const PopupRect kScreen{0, 0, 1920, 1080};
const PopupRect kWaBottom{0, 0, 1920, 1040};

void useFakes(TMSNPopUp& n, const PopupRect& workArea, const PopupRect& screen = kScreen) {
    n.ScreenSource = [screen, workArea] { return PopupScreenAreas{screen, workArea}; };
    n.TimerFactory = [] { return std::make_unique<SteppedPopupTimer>(); };
    n.OpenURL = [](const std::string&) { QFAIL("the shell must not be asked here"); };
}

PopupRect rectOf(const QWidget* w) {
    return PopupRect::fromSize(w->x(), w->y(), w->width(), w->height());
}

void destroyClosed() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class MsnPopupTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        QCOMPARE(TMSNPopUp::AllPopups().size(), std::size_t(0));
        destroyClosed();
    }

    void popupIsAFramelessToolWindowThatTakesNoFocus() {
        QWidget owner;
        TMSNPopUp n(&owner);
        useFakes(n, kWaBottom);
        QVERIFY(n.ShowPopUp());
        TfrmMSNPopUp* p = n.Popups().at(0);
        const Qt::WindowFlags f = p->windowFlags();
        QVERIFY(f.testFlag(Qt::FramelessWindowHint));
        QVERIFY(f.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(f.testFlag(Qt::WindowDoesNotAcceptFocus));
        QCOMPARE(p->windowType(), Qt::Tool);
        QVERIFY(p->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(p->isVisible());
        QVERIFY(!p->isActiveWindow());
        QCOMPARE(p->objectName(), QStringLiteral("TfrmMSNPopUp"));
        QCOMPARE(p->imgIcon->pos(), QPoint(3, 8));
        QCOMPARE(p->lblTitle->pos(), QPoint(8, 8));  // no icon
        QCOMPARE(p->lblTitle->text(), QStringLiteral("title"));
        QCOMPARE(p->lblText->text(), QStringLiteral("text"));
        QCOMPARE(p->tmrScroll->interval(), 25);
        QCOMPARE(p->tmrScrollDown->interval(), 25);
        QCOMPARE(p->tmrExit->interval(), 10000);
    }

    // The chat window's notifier over a bottom task bar, tick by tick.
    void chatPopupSlidesInStaysAndSlidesOut() {
        QWidget owner;
        TMSNPopUp n(&owner);
        ApplyChatPopupSettings(n);
        useFakes(n, kWaBottom);
        n.Title.clear();
        n.Text = cp949("안녕하세요");
        QVERIFY(n.ShowPopUp());
        QPointer<TfrmMSNPopUp> p = n.Popups().at(0);
        QCOMPARE(n.OpenCount(), 1);
        QCOMPARE(p->FEdge, kEdgeBottom);

        const PopupRect full = PopupRect::fromSize(1920 - 16 - 181, 1040 - 122, 181, 120);
        QCOMPARE(rectOf(p), PopupRect::fromSize(full.left, full.bottom, 181, 1));
        QVERIFY(p->tmrScroll->enabled());
        QVERIFY(!p->tmrExit->enabled());
        for (int tick = 1; tick <= 19; ++tick) {
            QVERIFY(fire(*p->tmrScroll));
            QCOMPARE(p->height(), 1 + 6 * tick);
            QCOMPARE(p->y(), full.bottom - 6 * tick);
            QCOMPARE(p->pnlBorder->size(), QSize(181, 120));  // cut off, not squeezed
            QCOMPARE(p->pnlBorder->pos(), QPoint(0, 0));
        }
        QVERIFY(fire(*p->tmrScroll));
        QCOMPARE(rectOf(p), full);
        QCOMPARE(kWaBottom.right - rectOf(p).right, 16);
        QCOMPARE(kWaBottom.bottom - p->y(), 2 + 120);
        QVERIFY(!p->tmrScroll->enabled());
        QVERIFY(p->tmrExit->enabled());
        QCOMPARE(p->tmrExit->interval(), 60000);

        QVERIFY(fire(*p->tmrExit));
        QVERIFY(!p->tmrExit->enabled());
        QVERIFY(p->tmrScrollDown->enabled());
        for (int tick = 1; tick <= 19; ++tick) {
            QVERIFY(fire(*p->tmrScrollDown));
            QCOMPARE(p->height(), 120 - 6 * tick);
            QCOMPARE(p->y() + p->height(), full.bottom);
        }
        QVERIFY(p->isVisible());
        QVERIFY(fire(*p->tmrScrollDown));
        QVERIFY(!p->isVisible());
        QCOMPARE(n.OpenCount(), 0);
        QVERIFY(TMSNPopUp::AllPopups().empty());
        destroyClosed();
        QVERIFY(p.isNull());
    }

    void everyEdgeSlidesToItsPlacement_data() {
        QTest::addColumn<int>("edge");
        QTest::addColumn<QRect>("workArea");
        QTest::addColumn<QRect>("start");
        QTest::addColumn<int>("ticks");
        // Work areas as x, y, width, height; 181 x 120 popups.
        QTest::newRow("left") << kEdgeLeft << QRect(40, 0, 1880, 1080) << QRect(56, 958, 1, 120)
                              << 30;
        QTest::newRow("top") << kEdgeTop << QRect(0, 40, 1920, 1040) << QRect(1723, 42, 181, 1)
                             << 20;
        QTest::newRow("right") << kEdgeRight << QRect(0, 0, 1880, 1080) << QRect(1864, 958, 1, 120)
                               << 30;
        QTest::newRow("bottom") << kEdgeBottom << QRect(0, 0, 1920, 1040)
                                << QRect(1723, 1038, 181, 1) << 20;
    }
    void everyEdgeSlidesToItsPlacement() {
        QFETCH(int, edge);
        QFETCH(QRect, workArea);
        QFETCH(QRect, start);
        QFETCH(int, ticks);
        TMSNPopUp n;
        ApplyChatPopupSettings(n);
        const PopupRect wa =
            PopupRect::fromSize(workArea.x(), workArea.y(), workArea.width(), workArea.height());
        useFakes(n, wa);
        QVERIFY(n.ShowPopUp());
        TfrmMSNPopUp* p = n.Popups().at(0);
        QCOMPARE(p->FEdge, edge);
        QCOMPARE(p->geometry(), start);
        int fired = 0;
        while (fire(*p->tmrScroll))
            ++fired;
        QCOMPARE(fired, ticks);
        QCOMPARE(rectOf(p), PopupPlacement(edge, wa, 0, PopupMetrics{181, 120, 16, 2, 0, true}));
        n.ClosePopUps();
    }

    void withoutTaskbarThePopupShowsAtOnceAndStillGoes() {
        TMSNPopUp n;
        ApplyChatPopupSettings(n);
        useFakes(n, kScreen);
        QVERIFY(n.ShowPopUp());
        TfrmMSNPopUp* p = n.Popups().at(0);
        QCOMPARE(p->FEdge, kEdgeNone);
        QCOMPARE(rectOf(p), PopupRect::fromSize(1920 - 197, 1080 - 122, 181, 120));
        QVERIFY(!p->tmrScroll->enabled());
        QVERIFY(fire(*p->tmrExit));
        QCOMPARE(n.OpenCount(), 0);
        QVERIFY(n.Popups().empty());
    }

    void withoutScrollOptionThePopupShowsAndVanishesAtOnce() {
        TMSNPopUp n;
        useFakes(n, kWaBottom);
        n.Options &= ~TMSNPopupOptions(TMSNPopupOption::msnAllowScroll);
        QVERIFY(n.ShowPopUp());
        TfrmMSNPopUp* p = n.Popups().at(0);
        QCOMPARE(p->size(), QSize(148, 121));
        QVERIFY(!p->tmrScroll->enabled());
        QVERIFY(fire(*p->tmrExit));
        QVERIFY(!p->isVisible());
        QCOMPARE(n.OpenCount(), 0);
    }

    void popupsStackUntilAllAreClosedAndStopAtTheTop() {
        TMSNPopUp n;
        ApplyChatPopupSettings(n);
        // Room for two: 120 + 122 <= 300, 240 + 122 > 300.
        useFakes(n, {0, 0, 1920, 300}, {0, 0, 1920, 340});
        QVERIFY(n.ShowPopUp());
        QVERIFY(n.ShowPopUp());
        const auto popups = n.Popups();
        QCOMPARE(popups.size(), std::size_t(2));
        QCOMPARE(popups[0]->FOwnOffset, 0);
        QCOMPARE(popups[1]->FOwnOffset, 120);
        while (fire(*popups[1]->tmrScroll)) {
        }
        QCOMPARE(popups[1]->y(), 300 - 122 - 120);

        QVERIFY(!n.ShowPopUp());
        QCOMPARE(n.Popups().size(), std::size_t(2));
        QCOMPARE(TMSNPopUp::AllPopups().size(), std::size_t(2));

        // The lower one closes: the offset stays, so there is still no room.
        popups[0]->close();
        QCOMPARE(n.OpenCount(), 1);
        QCOMPARE(n.StackOffset(), 240);
        QVERIFY(!n.ShowPopUp());

        popups[1]->close();
        QCOMPARE(n.OpenCount(), 0);
        QVERIFY(n.ShowPopUp());
        QCOMPARE(n.Popups().at(0)->FOwnOffset, 0);
        n.ClosePopUps();
    }

    void movingTheTaskbarResetsTheStack() {
        TMSNPopUp n;
        ApplyChatPopupSettings(n);
        PopupRect wa = kWaBottom;
        useFakes(n, wa);
        n.ScreenSource = [&wa] { return PopupScreenAreas{kScreen, wa}; };
        QVERIFY(n.ShowPopUp());
        QVERIFY(n.ShowPopUp());
        wa = {0, 0, 1880, 1080};
        QVERIFY(n.ShowPopUp());
        QCOMPARE(n.LastEdge(), kEdgeRight);
        QCOMPARE(n.OpenCount(), 1);
        QCOMPARE(n.Popups().back()->FOwnOffset, 0);
        n.ClosePopUps();  // two attempts for three popups
        QCOMPARE(n.Popups().size(), std::size_t(1));
        n.ClosePopUps();
        QVERIFY(n.Popups().empty());
    }

    void gradientAndPictureFillTheBackground() {
        TMSNPopUp n;
        useFakes(n, kWaBottom);
        QVERIFY(n.ShowPopUp());
        const QImage gradient = n.Popups().at(0)->imgGradient->Picture;
        QCOMPARE(gradient.size(), QSize(148, 121));
        QCOMPARE(QColor(gradient.pixel(0, 0)), QColor(153, 204, 255));
        QCOMPARE(QColor(gradient.pixel(147, 0)), QColor(153, 204, 255));
        // 153 + 120*102/121 = 254.2, 204 + 120*51/121 = 254.6
        QCOMPARE(QColor(gradient.pixel(0, 120)), QColor(254, 255, 255));
        QCOMPARE(QColor(gradient.pixel(147, 120)), QColor(254, 255, 255));

        TMSNPopUp chat;
        ApplyChatPopupSettings(chat);
        useFakes(chat, kWaBottom);
        QCOMPARE(chat.BackgroundImage.size(), QSize(181, 120));
        QCOMPARE(chat.BackgroundImage.depth(), 24);
        QVERIFY(chat.ShowPopUp());
        const QImage picture = chat.Popups().at(0)->imgGradient->Picture;
        const QImage expected = DrawChatPopupBackground();
        QCOMPARE(picture.convertToFormat(QImage::Format_RGB32),
                 expected.convertToFormat(QImage::Format_RGB32));
        n.ClosePopUps();
        chat.ClosePopUps();
    }

    void iconMovesTheTitle() {
        TMSNPopUp n;
        useFakes(n, kWaBottom);
        QImage icon(16, 16, QImage::Format_RGB32);
        icon.fill(Qt::white);  // the key colour: drawn transparent
        icon.setPixel(4, 4, qRgb(255, 0, 0));
        n.IconBitmap = icon;
        QVERIFY(n.ShowPopUp());
        TfrmMSNPopUp* p = n.Popups().at(0);
        QCOMPARE(p->lblTitle->pos(), QPoint(48, 8));
        const QImage& picture = p->imgGradient->Picture;
        QCOMPARE(QColor(picture.pixel(12, 12)), QColor(255, 0, 0));
        QCOMPARE(picture.pixel(8, 8), picture.pixel(100, 8));  // the background shows through
        n.ClosePopUps();
    }

    void textIsCentredWithTheLeftAtEight() {
        TMSNPopUp n;
        ApplyChatPopupSettings(n);
        useFakes(n, kWaBottom);
        n.Text = cp949("메시지가 도착했습니다. 긴 문장은 여러 줄로 나뉘어 가운데에 놓입니다.");
        QVERIFY(n.ShowPopUp());
        TfrmMSNPopUp* p = n.Popups().at(0);
        QCOMPARE(
            p->lblText->text(),
            QStringLiteral("메시지가 도착했습니다. 긴 문장은 여러 줄로 나뉘어 가운데에 놓입니다."));
        const QRect box = p->lblText->geometry();
        QCOMPARE(box.x(), 8);
        QCOMPARE(box.width(), 166);
        QVERIFY(box.height() > QFontMetrics(p->lblText->font()).height());  // wrapped
        QCOMPARE(box.y(), int(RoundHalfEven(120 - box.height(), 2)));
        QVERIFY(p->lblText->alignment().testFlag(Qt::AlignHCenter));
        QCOMPARE(p->lblText->cursor().shape(), Qt::PointingHandCursor);

        p->lblTextMouseEnter();
        QVERIFY(p->lblText->font().underline());
        QCOMPARE(p->lblText->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(p->lblText->x(), 8);
        p->lblTextMouseLeave();
        QVERIFY(!p->lblText->font().underline());
        n.ClosePopUps();
    }

    void leftClickOnTheTextRaisesOnClickAndAlwaysCloses() {
        QWidget owner;
        TMSNPopUp n(&owner);
        ApplyChatPopupSettings(n);
        useFakes(n, kWaBottom);
        n.Options &= ~TMSNPopupOptions(TMSNPopupOption::msnCloseOnClick);
        QObject* sender = nullptr;
        int clicks = 0;
        n.OnClick = [&](QObject* s) {
            sender = s;
            ++clicks;
        };
        QVERIFY(n.ShowPopUp());
        QPointer<TfrmMSNPopUp> p = n.Popups().at(0);
        QTest::mouseClick(p->lblText, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QCOMPARE(sender, static_cast<QObject*>(p.data()));
        QVERIFY(!p->isVisible());
        QCOMPARE(n.OpenCount(), 0);
        destroyClosed();
        QVERIFY(p.isNull());
    }

    void rightClickClosesOnlyWithCloseOnClick() {
        for (const bool closeOnClick : {false, true}) {
            TMSNPopUp n;
            ApplyChatPopupSettings(n);
            useFakes(n, kWaBottom);
            if (!closeOnClick)
                n.Options &= ~TMSNPopupOptions(TMSNPopupOption::msnCloseOnClick);
            QObject* sender = nullptr;
            n.OnClick = [&](QObject* s) { sender = s; };
            QVERIFY(n.ShowPopUp());
            TfrmMSNPopUp* p = n.Popups().at(0);
            QTest::mouseClick(p->lblText, Qt::RightButton);
            QCOMPARE(sender, static_cast<QObject*>(&n));
            QCOMPARE(p->isVisible(), !closeOnClick);
            QCOMPARE(n.OpenCount(), closeOnClick ? 0 : 1);

            // Title and picture: any button.
            if (!closeOnClick) {
                sender = nullptr;
                QTest::mouseClick(p->imgGradient, Qt::LeftButton, {}, QPoint(170, 110));
                QCOMPARE(sender, static_cast<QObject*>(&n));
                QVERIFY(p->isVisible());
                n.ClosePopUps();
            }
        }
    }

    void titleAndIconClicksCloseWithCloseOnClickEvenWithoutHandler() {
        TMSNPopUp n;
        useFakes(n, kWaBottom);
        QVERIFY(n.ShowPopUp());
        QVERIFY(n.ShowPopUp());
        const auto popups = n.Popups();
        QTest::mouseClick(popups[0]->lblTitle, Qt::MiddleButton);
        QTest::mouseClick(popups[1]->imgIcon, Qt::RightButton);
        QCOMPARE(n.OpenCount(), 0);
        QVERIFY(TMSNPopUp::AllPopups().empty());
    }

    // The chat window's click brings it up, and its activation closes popups, the clicked one
    // included: the clicked window must survive its own event and be counted once.
    void clickHandlerMayCloseTheClickedPopup() {
        TMSNPopUp n;
        TMSNPopUp other;
        ApplyChatPopupSettings(n);
        useFakes(n, kWaBottom);
        useFakes(other, kWaBottom);
        n.Options &= ~TMSNPopupOptions(TMSNPopupOption::msnCloseOnClick);
        n.OnClick = [&](QObject*) { other.ClosePopUps(); };  // one attempt: the newest
        QVERIFY(n.ShowPopUp());
        QVERIFY(n.ShowPopUp());
        QVERIFY(n.ShowPopUp());
        QPointer<TfrmMSNPopUp> clicked = n.Popups().back();

        QTest::mouseClick(clicked->lblText, Qt::LeftButton);
        QVERIFY(!clicked.isNull());
        QVERIFY(!clicked->isVisible());
        QCOMPARE(n.OpenCount(), 2);
        QCOMPARE(n.Popups().size(), std::size_t(2));
        destroyClosed();
        QVERIFY(clicked.isNull());

        // A right click does not close by itself here, but a close asked for by the handler
        // is carried out once the event is over.
        QPointer<TfrmMSNPopUp> newest = n.Popups().back();
        QTest::mouseClick(newest->lblText, Qt::RightButton);
        QVERIFY(!newest->isVisible());
        QCOMPARE(n.OpenCount(), 1);
        destroyClosed();
        QVERIFY(newest.isNull());

        n.OnClick = [&](QObject*) { n.ClosePopUps(); };  // two attempts, one popup
        QTest::mouseClick(n.Popups().back()->lblText, Qt::LeftButton);
        QCOMPARE(n.OpenCount(), 0);
        QVERIFY(TMSNPopUp::AllPopups().empty());
    }

    void closePopUpsReachesPopupsOfEveryNotifier() {
        QWidget windowA;
        QWidget windowB;
        TMSNPopUp a(&windowA);
        TMSNPopUp b(&windowB);
        ApplyChatPopupSettings(a);
        ApplyChatPopupSettings(b);
        useFakes(a, kWaBottom);
        useFakes(b, kWaBottom);
        QVERIFY(a.ShowPopUp());
        QVERIFY(a.ShowPopUp());
        // Notifiers stack on their own.
        QVERIFY(b.ShowPopUp());
        QCOMPARE(b.Popups().at(0)->FOwnOffset, 0);

        // Activating a window without popups still closes one popup of another window.
        TMSNPopUp idle;
        useFakes(idle, kWaBottom);
        idle.ClosePopUps();
        QVERIFY(b.Popups().empty());
        QCOMPARE(a.OpenCount(), 2);

        // a has two open: three attempts close them and find nothing more.
        a.ClosePopUps();
        QCOMPARE(a.OpenCount(), 0);
        QVERIFY(TMSNPopUp::AllPopups().empty());
    }

    void hyperlinkModeRaisesOnURLClickAndOpensTheAddress() {
        TMSNPopUp n;
        useFakes(n, kWaBottom);
        n.URL = "http://127.0.0.1:8080/help";
        std::string opened;
        std::string reported;
        bool plainClick = false;
        n.OpenURL = [&](const std::string& url) { opened = url; };
        n.OnURLClick = [&](QObject*, const std::string& url) { reported = url; };
        n.OnClick = [&](QObject*) { plainClick = true; };
        QVERIFY(n.ShowPopUp());
        QTest::mouseClick(n.Popups().at(0)->lblText, Qt::LeftButton);
        QCOMPARE(reported, n.URL);
        QCOMPARE(opened, n.URL);
        QVERIFY(!plainClick);
        QCOMPARE(n.OpenCount(), 0);
    }

    void destroyingTheNotifierDestroysItsPopups() {
        auto owner = std::make_unique<QWidget>();
        auto* n = new TMSNPopUp(owner.get());
        useFakes(*n, kWaBottom);
        QVERIFY(n->ShowPopUp());
        QPointer<TfrmMSNPopUp> p = n->Popups().at(0);
        // Even from inside its own click event.
        n->OnClick = [&](QObject*) { owner.reset(); };
        QTest::mouseClick(p->lblTitle, Qt::LeftButton);
        QVERIFY(TMSNPopUp::AllPopups().empty());
        destroyClosed();
        QVERIFY(p.isNull());
    }
};

QTEST_MAIN(MsnPopupTest)
#include "msn_popup_test.moc"
