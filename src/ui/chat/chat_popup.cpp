#include "ui/chat/chat_popup.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include "qt/qt_text.h"
#include "ui/popup/MSNPopUp.h"

namespace kv {

QFont ChatPopupFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Gulim"), QStringLiteral("굴림"),
                      QStringLiteral("Noto Sans CJK KR"), QStringLiteral("Noto Sans KR"),
                      QStringLiteral("NanumGothic")});
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

void ApplyChatPopupSettings(TMSNPopUp& popup) {
    popup.Width = kChatPopupWidth;
    popup.Height = kChatPopupHeight;
    popup.TimeOut = 60;
    popup.ScrollSpeed = 6;
    popup.PopupMarge = 0;
    popup.PopupStartX = 16;
    popup.PopupStartY = 2;
    popup.Options = TMSNPopupOption::msnAutoOpenURL | TMSNPopupOption::msnCascadePopups |
                    TMSNPopupOption::msnAllowScroll | TMSNPopupOption::msnCloseOnClick;
    popup.TextAlignment = Qt::AlignHCenter;
    popup.TextCursor = Qt::PointingHandCursor;

    const QColor windowText = QGuiApplication::palette().color(QPalette::WindowText);
    popup.Font = {ChatPopupFont(), windowText};
    QFont hover = ChatPopupFont();
    hover.setUnderline(true);
    popup.HoverFont = {hover, Qt::blue};
    popup.TitleFont = {BoldOf(ChatPopupFont()), windowText};

    popup.BackgroundImage = DrawChatPopupBackground();
    popup.BackgroundDrawMethod = TMSNImageDrawMethod::dmActualSize;
}

namespace {

void drawSignal(QPainter& p, int x, int baseline, const QColor& color) {
    // An antenna and four bars of rising height.
    p.setPen(QPen(color, 1));
    p.drawLine(x + 3, baseline, x + 3, baseline - 9);
    p.drawLine(x, baseline - 9, x + 3, baseline - 6);
    p.drawLine(x + 6, baseline - 9, x + 3, baseline - 6);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    for (int i = 0; i < 4; ++i) {
        const int h = 3 + 2 * i;
        p.drawRect(x + 9 + 4 * i, baseline - h + 1, 3, h);
    }
}

void drawBattery(QPainter& p, int right, int baseline, const QColor& color) {
    const QRect body(right - 20, baseline - 8, 17, 9);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, 1));
    p.drawRect(body);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(right - 2, baseline - 5, 2, 3);
    for (int i = 0; i < 3; ++i)
        p.drawRect(body.left() + 2 + 5 * i, body.top() + 2, 4, 6);
}

// The product's mark: a weather vane's arrow in an orange disc.
void drawMark(QPainter& p, QPointF centre, qreal radius) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(232, 112, 42));
    p.drawEllipse(centre, radius, radius);
    p.save();
    p.translate(centre);
    p.rotate(-35);
    QPainterPath vane;
    vane.moveTo(radius * 0.72, 0);
    vane.lineTo(radius * 0.18, -radius * 0.38);
    vane.lineTo(radius * 0.18, -radius * 0.12);
    vane.lineTo(-radius * 0.45, -radius * 0.12);
    vane.lineTo(-radius * 0.72, -radius * 0.45);
    vane.lineTo(-radius * 0.6, 0);
    vane.lineTo(-radius * 0.72, radius * 0.45);
    vane.lineTo(-radius * 0.45, radius * 0.12);
    vane.lineTo(radius * 0.18, radius * 0.12);
    vane.lineTo(radius * 0.18, radius * 0.38);
    vane.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(vane);
    p.restore();
}

}  // namespace

QImage DrawChatPopupBackground() {
    QImage image(kChatPopupWidth, kChatPopupHeight, QImage::Format_RGB888);
    image.fill(QColor(58, 66, 78));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The phone's frame: a dark body with a lighter rim.
    const QRectF frame(0.5, 0.5, kChatPopupWidth - 1, kChatPopupHeight - 1);
    QLinearGradient body(0, 0, 0, kChatPopupHeight);
    body.setColorAt(0, QColor(70, 79, 92));
    body.setColorAt(1, QColor(34, 39, 47));
    p.setPen(QPen(QColor(110, 120, 134), 1));
    p.setBrush(body);
    p.drawRoundedRect(frame, 12, 12);

    // The display.
    const QRectF screen(5.5, 5.5, kChatPopupWidth - 11, kChatPopupHeight - 11);
    QLinearGradient lcd(0, screen.top(), 0, screen.bottom());
    lcd.setColorAt(0, QColor(236, 246, 240));
    lcd.setColorAt(1, QColor(208, 230, 218));
    p.setPen(QPen(QColor(20, 24, 30), 1));
    p.setBrush(lcd);
    p.drawRoundedRect(screen, 8, 8);

    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink(64, 84, 76);
    drawSignal(p, 12, 18, ink);
    drawBattery(p, kChatPopupWidth - 11, 18, ink);
    p.setPen(QPen(QColor(170, 196, 184), 1));
    p.drawLine(11, 22, kChatPopupWidth - 12, 22);

    p.setRenderHint(QPainter::Antialiasing);
    drawMark(p, QPointF(kChatPopupWidth - 19.5, kChatPopupHeight - 18.5), 7.5);
    p.end();
    return image;
}

}  // namespace kv
