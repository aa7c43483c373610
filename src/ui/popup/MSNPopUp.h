#pragma once

// TMSNPopUp: the popup notifier. It shows short notices in small frameless windows
// (TfrmMSNPopUp) that slide out of the task bar's edge of the screen, stay for TimeOut seconds
// and slide back, stacking away from the task bar while several are open.
//
// Threads: user-interface thread only.
// Ownership: popup windows are top-level windows without a parent (so that hiding or minimising
// the owner never hides a notice); the notifier that showed them destroys those still open when
// it is destroyed itself, at the latest with its owner.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/messaging/popup_geometry.h"
#include "core/messaging/popup_timer.h"

class QFrame;

namespace kv {

class TMSNPopUp;
class TfrmMSNPopUp;

// In declaration order; Options is a set of them.
enum class TMSNPopupOption {
    msnAutoOpenURL = 0x01,
    msnSystemFont = 0x02,  // kept for completeness; it changes nothing here
    msnCascadePopups = 0x04,
    msnAllowScroll = 0x08,
    msnAllowHyperlink = 0x10,
    msnCloseOnClick = 0x20,
};
Q_DECLARE_FLAGS(TMSNPopupOptions, TMSNPopupOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMSNPopupOptions)

enum class TMSNImageDrawMethod { dmActualSize, dmTile, dmFit };
enum class TOrientation { mbHorizontal, mbVertical };
enum class TDefaultMonitor { dmDesktop, dmPrimary, dmMainForm, dmActiveForm };

// A font with the colour it is drawn in.
struct TPopupFont {
    QFont Font;
    QColor Color = Qt::black;
};

// The screen the popups go on and the part of it the task bar leaves free. Read anew at every
// use, since the task bar can move between two popups.
struct PopupScreenAreas {
    PopupRect screen;
    PopupRect workArea;
};
using PopupScreenSource = std::function<PopupScreenAreas()>;

// The primary screen's geometry and available geometry.
PopupScreenAreas primaryScreenAreas();

// A label that also reports the mouse entering, leaving, clicking and being released over it.
class TMouseLabel : public QLabel {
    Q_OBJECT
public:
    explicit TMouseLabel(QWidget* parent = nullptr);

    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;
    std::function<void()> OnClick;                   // left button pressed and released
    std::function<void(Qt::MouseButton)> OnMouseUp;  // any button released over it

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressedLeft_ = false;
};

// A picture that only draws an image and reports button releases over it.
class TPopupImage : public QWidget {
    Q_OBJECT
public:
    explicit TPopupImage(QWidget* parent = nullptr);
    QImage Picture;
    std::function<void(Qt::MouseButton)> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TMSNPopUp : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TURLEvent = std::function<void(QObject* sender, const std::string& url)>;

    explicit TMSNPopUp(QObject* owner = nullptr);
    ~TMSNPopUp() override;

    // ---- Published properties (texts are CP949) ----------------------------------------------
    std::string Text = "text";
    std::string Title = "title";
    std::string URL = "http://localhost/";
    int Width = 148;
    int Height = 121;
    int TimeOut = 10;     // seconds
    int ScrollSpeed = 9;  // pixels per tick, 1 to 50 (clamped when a popup starts)
    int PopupStartX = 16;
    int PopupStartY = 2;
    int PopupMarge = 2;
    TMSNPopupOptions Options = TMSNPopupOption::msnAutoOpenURL | TMSNPopupOption::msnCascadePopups |
                               TMSNPopupOption::msnAllowScroll |
                               TMSNPopupOption::msnAllowHyperlink |
                               TMSNPopupOption::msnCloseOnClick;
    TPopupFont Font;
    TPopupFont HoverFont;
    TPopupFont TitleFont;
    Qt::Alignment TextAlignment = Qt::AlignLeft;
    Qt::CursorShape TextCursor = Qt::ArrowCursor;
    QImage BackgroundImage;
    TMSNImageDrawMethod BackgroundDrawMethod = TMSNImageDrawMethod::dmActualSize;
    QColor GradientColor1 = QColor(153, 204, 255);
    QColor GradientColor2 = QColor(255, 255, 255);
    TOrientation GradientOrientation = TOrientation::mbVertical;
    QImage IconBitmap;
    int IconLeft = 8;
    int IconTop = 8;
    TDefaultMonitor DefaultMonitor = TDefaultMonitor::dmDesktop;

    TNotifyEvent OnClick;
    TURLEvent OnURLClick;

    // ---- Platform hooks (tests replace them) ---------------------------------------------------
    PopupScreenSource ScreenSource = primaryScreenAreas;
    PopupTimerFactory TimerFactory;                       // default: Qt timers
    std::function<void(const std::string& url)> OpenURL;  // default: the desktop's handler

    // ---- Operations ----------------------------------------------------------------------------

    // Shows one more popup with the current Title and Text. False, showing nothing, when the
    // stack has no room left for it.
    bool ShowPopUp();

    // Closes open popups: one attempt more than this notifier has popups open, each closing the
    // newest popup still open, of whichever notifier it is.
    void ClosePopUps();

    // ---- State, for the popups and for tests ---------------------------------------------------
    int OpenCount() const { return FStack.openCount(); }
    int StackOffset() const { return FStack.stackOffset(); }
    int LastEdge() const { return FStack.lastEdge(); }
    // This notifier's popups that are still open, oldest first.
    std::vector<TfrmMSNPopUp*> Popups() const;

    // Every open popup window of every notifier, oldest first.
    static std::vector<TfrmMSNPopUp*> AllPopups();

private:
    friend class TfrmMSNPopUp;
    PopupMetrics metrics() const;
    void popupClosed(TfrmMSNPopUp* popup);

    PopupStack FStack;
    std::vector<TfrmMSNPopUp*> FPopups;
};

class TfrmMSNPopUp : public QWidget {
    Q_OBJECT
public:
    // Copies the notifier's settings; StartPopUp places and shows it.
    explicit TfrmMSNPopUp(TMSNPopUp* notifier);
    ~TfrmMSNPopUp() override;

    void StartPopUp(const PopupStack::Placement& placement, int edge);

    // The close of a popup: counted and the window destroyed (later, on the event loop) when
    // FFreeOnClose is set; only hidden while the popup's own click event runs.
    void ClosePopUp();

    // ---- Timer and mouse handlers --------------------------------------------------------------
    void tmrScrollTimer();
    void tmrExitTimer();
    void tmrscrollDownTimer();
    void lblTextClick();
    void lblTextMouseUp(Qt::MouseButton button);
    void lblTitleMouseUp(Qt::MouseButton button);
    void imgGradientMouseUp(Qt::MouseButton button);
    void imgIconMouseUp(Qt::MouseButton button);
    void lblTextMouseEnter();
    void lblTextMouseLeave();

    // ---- Pieces ----------------------------------------------------------------------------
    QFrame* pnlBorder = nullptr;
    TPopupImage* imgGradient = nullptr;
    TPopupImage* imgIcon = nullptr;
    TMouseLabel* lblText = nullptr;
    TMouseLabel* lblTitle = nullptr;
    std::unique_ptr<PopupTimer> tmrExit;
    std::unique_ptr<PopupTimer> tmrScroll;
    std::unique_ptr<PopupTimer> tmrScrollDown;

    // ---- Copied settings -------------------------------------------------------------------
    int FWidth = 0;
    int FHeight = 0;
    std::string FText;
    std::string FTitle;
    std::string FURL;
    int FTimeOut = 0;
    int FScrollSpeed = 1;
    TPopupFont FFont;
    TPopupFont FHoverFont;
    TPopupFont FTitleFont;
    Qt::CursorShape FTextCursor = Qt::ArrowCursor;
    QColor FGradientColor1;
    QColor FGradientColor2;
    TOrientation FGradientOrientation = TOrientation::mbVertical;
    TMSNImageDrawMethod FDrawMethod = TMSNImageDrawMethod::dmActualSize;
    TDefaultMonitor DefaultMonitor = TDefaultMonitor::dmDesktop;
    bool FAllowScroll = true;
    bool FAllowHyperlink = true;

    // ---- Own state -------------------------------------------------------------------------
    int FEdge = kEdgeNone;
    int FOwnOffset = 0;
    bool FFreeOnClose = true;
    bool FClosed = false;    // counted and on its way to destruction
    bool FHidden = false;    // closed while its own click event ran
    bool FHovering = false;  // the mouse is over the text

    TMSNPopUp* Notifier() const { return FNotifier.data(); }
    PopupRect Rect() const;
    void CenterText();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class TMSNPopUp;
    void paintBackground();
    void setRect(const PopupRect& r);
    void raiseClick(QObject* sender);
    bool closeOnClick() const;

    QPointer<TMSNPopUp> FNotifier;
    PopupMetrics FMetrics;
};

}  // namespace kv
