#include "ui/popup/MSNPopUp.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include "qt/qt_text.h"

namespace kv {

namespace {

// Every popup window not yet closed, of every notifier, oldest first: the stand-in for looking
// popups up by their window class.
std::vector<TfrmMSNPopUp*>& openPopups() {
    static std::vector<TfrmMSNPopUp*> popups;
    return popups;
}

void forget(TfrmMSNPopUp* popup) {
    auto& all = openPopups();
    all.erase(std::remove(all.begin(), all.end(), popup), all.end());
}

class QtPopupTimer final : public PopupTimer {
public:
    QtPopupTimer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (OnTimer)
                OnTimer();
        });
    }
    void setInterval(int milliseconds) override { timer_.setInterval(milliseconds); }
    int interval() const override { return timer_.interval(); }
    void setEnabled(bool enabled) override {
        if (!enabled)
            timer_.stop();
        else if (!timer_.isActive())
            timer_.start();
    }
    bool enabled() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

PopupRect fromQRect(const QRect& r) {
    return PopupRect::fromSize(r.x(), r.y(), r.width(), r.height());
}

QImage withTransparentBackground(const QImage& icon) {
    if (icon.hasAlphaChannel())
        return icon;
    // The colour of the bottom-left pixel is the icon's background, as for a transparent bitmap.
    QImage out = icon.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = out.pixel(0, out.height() - 1);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return out;
}

void applyFont(QLabel* label, const TPopupFont& font) {
    label->setFont(font.Font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, font.Color);
    label->setPalette(palette);
}

}  // namespace

PopupScreenAreas primaryScreenAreas() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {};
    return {fromQRect(screen->geometry()), fromQRect(screen->availableGeometry())};
}

// ---- TMouseLabel ---------------------------------------------------------------------------

TMouseLabel::TMouseLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void TMouseLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    if (OnMouseEnter)
        OnMouseEnter();
}

void TMouseLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    if (OnMouseLeave)
        OnMouseLeave();
}

void TMouseLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressedLeft_ = true;
    event->accept();
}

void TMouseLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const bool click = event->button() == Qt::LeftButton && pressedLeft_ &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        pressedLeft_ = false;
    // The handlers may close the popup; its widgets live on until the event loop destroys it.
    if (click && OnClick)
        OnClick();
    if (OnMouseUp)
        OnMouseUp(event->button());
}

// ---- TPopupImage ---------------------------------------------------------------------------

TPopupImage::TPopupImage(QWidget* parent) : QWidget(parent) {}

void TPopupImage::paintEvent(QPaintEvent*) {
    if (Picture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, Picture);
}

void TPopupImage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (OnMouseUp)
        OnMouseUp(event->button());
}

// ---- TMSNPopUp -----------------------------------------------------------------------------

TMSNPopUp::TMSNPopUp(QObject* owner) : QObject(owner) {
    HoverFont.Font.setUnderline(true);
    HoverFont.Color = Qt::blue;
    TitleFont.Font = BoldOf(TitleFont.Font);
    TimerFactory = [] { return std::make_unique<QtPopupTimer>(); };
    OpenURL = [](const std::string& url) { QDesktopServices::openUrl(QUrl(fromCp949(url))); };
}

TMSNPopUp::~TMSNPopUp() {
    const auto popups = FPopups;
    FPopups.clear();
    for (TfrmMSNPopUp* popup : popups) {
        popup->FNotifier = nullptr;
        forget(popup);
        popup->FClosed = true;
        popup->hide();
        // A popup whose click event is running is below us on the stack.
        if (popup->FFreeOnClose)
            delete popup;
        else
            popup->deleteLater();
    }
}

PopupMetrics TMSNPopUp::metrics() const {
    return {Width,       Height,     PopupStartX,
            PopupStartY, PopupMarge, Options.testFlag(TMSNPopupOption::msnCascadePopups)};
}

bool TMSNPopUp::ShowPopUp() {
    const PopupScreenAreas areas = ScreenSource();
    const int edge = TaskbarEdge(areas.screen, areas.workArea);
    PopupStack::Placement placement;
    if (!FStack.show(edge, areas.workArea, metrics(), placement))
        return false;
    auto* popup = new TfrmMSNPopUp(this);
    FPopups.push_back(popup);
    popup->StartPopUp(placement, edge);
    return true;
}

void TMSNPopUp::ClosePopUps() {
    if (FStack.openCount() < 0)
        return;
    const int attempts = FStack.openCount() + 1;
    for (int i = 0; i < attempts; ++i) {
        const auto& all = openPopups();
        // The newest is the top-most, the one a search of the desktop's windows meets first.
        auto found = std::find_if(all.rbegin(), all.rend(),
                                  [](const TfrmMSNPopUp* p) { return !p->FHidden; });
        if (found == all.rend())
            continue;
        (*found)->close();
    }
}

std::vector<TfrmMSNPopUp*> TMSNPopUp::Popups() const {
    return FPopups;
}

std::vector<TfrmMSNPopUp*> TMSNPopUp::AllPopups() {
    return openPopups();
}

void TMSNPopUp::popupClosed(TfrmMSNPopUp* popup) {
    FPopups.erase(std::remove(FPopups.begin(), FPopups.end(), popup), FPopups.end());
    FStack.popupClosed();
}

// ---- TfrmMSNPopUp --------------------------------------------------------------------------

TfrmMSNPopUp::TfrmMSNPopUp(TMSNPopUp* notifier)
    // Left alone by window managers that would otherwise give a tool window a task-bar
    // entry; the hint means nothing where there is no such manager.
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
      FNotifier(notifier) {
    setObjectName(QStringLiteral("TfrmMSNPopUp"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);

    FWidth = std::max(1, notifier->Width);
    FHeight = std::max(1, notifier->Height);
    FText = notifier->Text;
    FTitle = notifier->Title;
    FURL = notifier->URL;
    FTimeOut = notifier->TimeOut;
    FScrollSpeed = std::clamp(notifier->ScrollSpeed, 1, 50);
    FFont = notifier->Font;
    FHoverFont = notifier->HoverFont;
    FTitleFont = notifier->TitleFont;
    FTextCursor = notifier->TextCursor;
    FGradientColor1 = notifier->GradientColor1;
    FGradientColor2 = notifier->GradientColor2;
    FGradientOrientation = notifier->GradientOrientation;
    FDrawMethod = notifier->BackgroundDrawMethod;
    DefaultMonitor = notifier->DefaultMonitor;
    FAllowScroll = notifier->Options.testFlag(TMSNPopupOption::msnAllowScroll);
    FAllowHyperlink = notifier->Options.testFlag(TMSNPopupOption::msnAllowHyperlink);
    FMetrics = notifier->metrics();
    FMetrics.width = FWidth;
    FMetrics.height = FHeight;

    pnlBorder = new QFrame(this);
    pnlBorder->setObjectName(QStringLiteral("pnlBorder"));
    pnlBorder->setFrameStyle(QFrame::NoFrame);
    pnlBorder->setLineWidth(1);

    imgGradient = new TPopupImage(pnlBorder);
    imgGradient->setObjectName(QStringLiteral("imgGradient"));

    imgIcon = new TPopupImage(pnlBorder);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setGeometry(3, 8, 32, 32);

    lblTitle = new TMouseLabel(pnlBorder);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->move(48, 8);

    lblText = new TMouseLabel(pnlBorder);
    lblText->setObjectName(QStringLiteral("lblText"));
    lblText->setWordWrap(true);
    lblText->setAlignment(notifier->TextAlignment | Qt::AlignVCenter);

    tmrExit = notifier->TimerFactory();
    tmrScroll = notifier->TimerFactory();
    tmrScrollDown = notifier->TimerFactory();
    tmrExit->setEnabled(false);
    tmrScroll->setEnabled(false);
    tmrScrollDown->setEnabled(false);
    tmrExit->setInterval(FTimeOut * 1000);
    tmrScroll->setInterval(25);
    tmrScrollDown->setInterval(25);
    tmrExit->OnTimer = [this] { tmrExitTimer(); };
    tmrScroll->OnTimer = [this] { tmrScrollTimer(); };
    tmrScrollDown->OnTimer = [this] { tmrscrollDownTimer(); };

    lblText->OnClick = [this] { lblTextClick(); };
    lblText->OnMouseUp = [this](Qt::MouseButton b) { lblTextMouseUp(b); };
    lblText->OnMouseEnter = [this] { lblTextMouseEnter(); };
    lblText->OnMouseLeave = [this] { lblTextMouseLeave(); };
    lblTitle->OnMouseUp = [this](Qt::MouseButton b) { lblTitleMouseUp(b); };
    imgGradient->OnMouseUp = [this](Qt::MouseButton b) { imgGradientMouseUp(b); };
    imgIcon->OnMouseUp = [this](Qt::MouseButton b) { imgIconMouseUp(b); };

    openPopups().push_back(this);
}

TfrmMSNPopUp::~TfrmMSNPopUp() {
    forget(this);
    if (TMSNPopUp* n = Notifier(); n != nullptr && !FClosed)
        n->popupClosed(this);
}

PopupRect TfrmMSNPopUp::Rect() const {
    return fromQRect(geometry());
}

void TfrmMSNPopUp::setRect(const PopupRect& r) {
    setGeometry(r.left, r.top, std::max(1, r.width()), std::max(1, r.height()));
}

void TfrmMSNPopUp::StartPopUp(const PopupStack::Placement& placement, int edge) {
    resize(FWidth, FHeight);
    lblText->setCursor(FTextCursor);
    FEdge = edge;
    FFreeOnClose = true;
    setRect(placement.rect);
    FOwnOffset = placement.ownOffset;

    applyFont(lblTitle, FTitleFont);
    lblTitle->setText(fromCp949(FTitle));
    lblTitle->adjustSize();

    // The contents keep the full size while the window is smaller during a slide: they stay
    // anchored at its top-left corner and are cut off.
    pnlBorder->setGeometry(0, 0, FWidth, FHeight);
    imgGradient->setGeometry(0, 0, FWidth, FHeight);
    paintBackground();
    const TMSNPopUp* notifier = Notifier();
    if (notifier == nullptr || notifier->IconBitmap.isNull()) {
        lblTitle->move(8, lblTitle->y());
    } else {
        QPainter painter(&imgGradient->Picture);
        painter.drawImage(notifier->IconLeft, notifier->IconTop,
                          withTransparentBackground(notifier->IconBitmap));
    }

    tmrExit->setInterval(FTimeOut * 1000);
    if (FAllowScroll && PopupSlides(FEdge)) {
        setRect(SlideStart(FEdge, placement.rect));
        tmrScroll->setEnabled(true);
    } else {
        tmrExit->setEnabled(true);
    }

    show();
    CenterText();
}

void TfrmMSNPopUp::paintBackground() {
    QImage picture(FWidth, FHeight, QImage::Format_RGB32);
    const TMSNPopUp* notifier = Notifier();
    const QImage background = notifier != nullptr ? notifier->BackgroundImage : QImage();
    QPainter painter(&picture);
    if (!background.isNull()) {
        picture.fill(Qt::white);
        switch (FDrawMethod) {
            case TMSNImageDrawMethod::dmActualSize: painter.drawImage(0, 0, background); break;
            case TMSNImageDrawMethod::dmTile:
                painter.drawTiledPixmap(picture.rect(), QPixmap::fromImage(background));
                break;
            case TMSNImageDrawMethod::dmFit: painter.drawImage(picture.rect(), background); break;
        }
    } else {
        const PopupColor c1{FGradientColor1.red(), FGradientColor1.green(), FGradientColor1.blue()};
        const PopupColor c2{FGradientColor2.red(), FGradientColor2.green(), FGradientColor2.blue()};
        const bool vertical = FGradientOrientation == TOrientation::mbVertical;
        const int extent = vertical ? FHeight : FWidth;
        for (int i = 0; i < extent; ++i) {
            const PopupColor c = BlendColor(c1, c2, i, extent);
            painter.setPen(QColor(c.red, c.green, c.blue));
            if (vertical)
                painter.drawLine(0, i, FWidth - 1, i);
            else
                painter.drawLine(i, 0, i, FHeight - 1);
        }
    }
    painter.end();
    imgGradient->Picture = picture;
    imgGradient->update();
}

void TfrmMSNPopUp::CenterText() {
    applyFont(lblText, FHovering ? FHoverFont : FFont);
    lblText->setText(fromCp949(FText));
    const int width = CenterTextWidth(pnlBorder->width());
    int height = lblText->heightForWidth(width);
    if (height < 0)
        height = lblText->sizeHint().height();
    const TextBox box = kv::CenterText(pnlBorder->width(), pnlBorder->height(), width, height);
    lblText->setGeometry(box.left, box.top, box.width, height);
}

void TfrmMSNPopUp::tmrScrollTimer() {
    if (FClosed)
        return;
    const PopupRect workArea =
        Notifier() != nullptr ? Notifier()->ScreenSource().workArea : primaryScreenAreas().workArea;
    const SlideStep step = SlideInStep(FEdge, Rect(), workArea, FOwnOffset, FScrollSpeed, FMetrics);
    setRect(step.rect);
    if (step.done) {
        tmrScroll->setEnabled(false);
        tmrExit->setEnabled(true);
    }
}

void TfrmMSNPopUp::tmrExitTimer() {
    if (FClosed)
        return;
    tmrExit->setEnabled(false);
    if (FAllowScroll && PopupSlides(FEdge))
        tmrScrollDown->setEnabled(true);
    else
        ClosePopUp();
}

void TfrmMSNPopUp::tmrscrollDownTimer() {
    if (FClosed)
        return;
    const SlideStep step = SlideOutStep(FEdge, Rect(), FScrollSpeed);
    if (step.done) {
        tmrScrollDown->setEnabled(false);
        ClosePopUp();
        return;
    }
    setRect(step.rect);
}

bool TfrmMSNPopUp::closeOnClick() const {
    const TMSNPopUp* n = Notifier();
    return n != nullptr && n->Options.testFlag(TMSNPopupOption::msnCloseOnClick);
}

void TfrmMSNPopUp::lblTextClick() {
    if (FClosed || FHidden)
        return;
    QPointer<TfrmMSNPopUp> self(this);
    FFreeOnClose = false;
    if (TMSNPopUp* n = Notifier(); n != nullptr) {
        // Copies: a handler may destroy the notifier.
        if (FAllowHyperlink) {
            const auto openURL = n->Options.testFlag(TMSNPopupOption::msnAutoOpenURL)
                                     ? n->OpenURL
                                     : std::function<void(const std::string&)>();
            if (const auto handler = n->OnURLClick)
                handler(this, FURL);
            if (openURL)
                openURL(FURL);
        } else if (const auto handler = n->OnClick) {
            handler(this);
        }
    }
    if (self.isNull())
        return;
    FFreeOnClose = true;
    ClosePopUp();
}

void TfrmMSNPopUp::raiseClick(QObject* sender) {
    TMSNPopUp* n = Notifier();
    if (n == nullptr || !n->OnClick)
        return;
    QPointer<TfrmMSNPopUp> self(this);
    FFreeOnClose = false;
    const auto handler = n->OnClick;  // the handler may destroy the notifier
    handler(sender);
    if (self.isNull())
        return;
    FFreeOnClose = true;
    // Closed while the event ran: it is only hidden, so finish that close now, even when a
    // click alone would not close it.
    if (FHidden)
        ClosePopUp();
}

void TfrmMSNPopUp::lblTextMouseUp(Qt::MouseButton button) {
    if (button != Qt::RightButton || FClosed || FHidden)
        return;
    QPointer<TfrmMSNPopUp> self(this);
    raiseClick(Notifier());
    if (!self.isNull() && !FClosed && closeOnClick())
        ClosePopUp();
}

void TfrmMSNPopUp::lblTitleMouseUp(Qt::MouseButton) {
    if (FClosed || FHidden)
        return;
    QPointer<TfrmMSNPopUp> self(this);
    raiseClick(Notifier());
    if (!self.isNull() && !FClosed && closeOnClick())
        ClosePopUp();
}

void TfrmMSNPopUp::imgGradientMouseUp(Qt::MouseButton button) {
    lblTitleMouseUp(button);
}

void TfrmMSNPopUp::imgIconMouseUp(Qt::MouseButton button) {
    lblTitleMouseUp(button);
}

void TfrmMSNPopUp::lblTextMouseEnter() {
    if (FClosed)
        return;
    FHovering = true;
    CenterText();
}

void TfrmMSNPopUp::lblTextMouseLeave() {
    if (FClosed)
        return;
    FHovering = false;
    CenterText();
}

void TfrmMSNPopUp::closeEvent(QCloseEvent* event) {
    event->accept();
    ClosePopUp();
}

void TfrmMSNPopUp::ClosePopUp() {
    if (FClosed)
        return;
    if (!FFreeOnClose) {
        FHidden = true;
        hide();
        return;
    }
    FClosed = true;
    tmrExit->setEnabled(false);
    tmrScroll->setEnabled(false);
    tmrScrollDown->setEnabled(false);
    hide();
    forget(this);
    if (TMSNPopUp* n = Notifier(); n != nullptr)
        n->popupClosed(this);
    deleteLater();
}

}  // namespace kv
