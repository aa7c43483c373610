#pragma once

// What a screen reader hears of a window: its accessible tree, walked through the same
// QAccessible interfaces that the desktop's accessibility bus (AT-SPI) reads.

#include <QAccessible>
#include <QStringList>
#include <QWidget>

namespace kv::test {

// Whether a node of the tree is a control the member acts on (types into, presses, checks,
// chooses from), so that a screen reader must be able to name it.
inline bool IsInputControl(const QAccessibleInterface& node) {
    switch (node.role()) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::SpinBox:
        case QAccessible::Slider:
        case QAccessible::Dial:
        case QAccessible::HotkeyField:
        case QAccessible::Link:
        case QAccessible::List:
        case QAccessible::Tree:
        case QAccessible::Table:
        case QAccessible::PageTab:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::Document: return true;
        default: break;
    }
    // A label that acts on a click is a control too, whatever it shows.
    const QObject* object = node.object();
    return object && object->inherits("kv::LinkLabel");
}

// The input controls of `window` (shown or not) that have no accessible name, each as
// "class objectName (role)".
inline QStringList UnnamedInputControls(QWidget* window) {
    QStringList unnamed;
    const auto walk = [&unnamed](QAccessibleInterface* node, int depth, const auto& self) {
        if (node == nullptr || !node->isValid() || depth > 64)
            return;
        if (IsInputControl(*node) && node->text(QAccessible::Name).trimmed().isEmpty()) {
            const QObject* object = node->object();
            unnamed << QStringLiteral("%1 %2 (role %3)")
                           .arg(object ? QString::fromLatin1(object->metaObject()->className())
                                       : QStringLiteral("-"),
                                object ? object->objectName() : QString())
                           .arg(static_cast<int>(node->role()), 0, 16);
        }
        for (int i = 0; i < node->childCount(); ++i)
            self(node->child(i), depth + 1, self);
    };
    walk(QAccessible::queryAccessibleInterface(window), 0, walk);
    return unnamed;
}

// Every name in the accessible tree of `window`, in the order a screen reader walks it.
inline QStringList AccessibleNames(QWidget* window) {
    QStringList names;
    const auto walk = [&names](QAccessibleInterface* node, int depth, const auto& self) {
        if (node == nullptr || !node->isValid() || depth > 64)
            return;
        if (const QString name = node->text(QAccessible::Name); !name.isEmpty())
            names << name;
        for (int i = 0; i < node->childCount(); ++i)
            self(node->child(i), depth + 1, self);
    };
    walk(QAccessible::queryAccessibleInterface(window), 0, walk);
    return names;
}

}  // namespace kv::test
