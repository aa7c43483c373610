#pragma once

// A menu's item captions in order, "-" for a separator, as tests compare them.

#include <QAction>
#include <QMenu>
#include <QStringList>

namespace kv::test {

inline QStringList MenuCaptions(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

}  // namespace kv::test
