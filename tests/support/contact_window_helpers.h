#pragma once

// Helpers for tests that work the contact commands through the main window: finding a node by
// its caption, and answering the add-partner dialog as a member would.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <string>
#include <vector>

#include "core/base/cp949.h"
#include "core/contacts/contact_tree.h"
#include "ui/contacts/UserAddUnit.h"

namespace kv::test {

// The first node in display order with this caption (UTF-8), or nullptr.
inline ContactNode* nodeNamed(const ContactTree& tree, const char* utf8Caption) {
    for (std::size_t i = 0; i < tree.Count(); ++i)
        if (tree.Item(i)->Caption() == cp949(utf8Caption))
            return tree.Item(i);
    return nullptr;
}

// Display order as UTF-8 lines: two blanks per level and the caption.
inline std::vector<std::string> treeLines(const ContactTree& tree) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < tree.Count(); ++i)
        out.push_back(std::string(2 * tree.Item(i)->Level(), ' ') +
                      cp949ToUtf8(tree.Item(i)->Caption()));
    return out;
}

// Fills and closes the next waiting add-partner dialog once it is open.
inline void answerUserAddDialog(const std::function<void(TUserAddForm&)>& fill) {
    QTimer::singleShot(0, [fill] {
        auto* dialog = qobject_cast<TUserAddForm*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fill(*dialog);
    });
}

// A shown add-partner dialog that waits for nobody (confirm mode), or nullptr.
inline TUserAddForm* shownConfirmDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TUserAddForm*>(w); d && d->isVisible() && !d->isModal())
            return d;
    return nullptr;
}

}  // namespace kv::test
