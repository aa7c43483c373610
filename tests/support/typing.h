#pragma once

// Typing into a widget in tests, one character at a time, as a keyboard (or a committed
// input-method composition) delivers it; unlike QTest::keyClicks it carries Hangul.

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace kv::test {

inline void type(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        const int key =
            c.unicode() < 0x80 ? int(QChar(c).toUpper().unicode()) : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

}  // namespace kv::test
