#include "qt/qt_message_boxes.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "qt/qt_text.h"

namespace kv {

MessageBoxes::Result QtMessageBoxes::Show(const std::string& text, Icon icon, Buttons buttons) {
    QMessageBox box(QApplication::activeWindow());
    switch (icon) {
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            box.setWindowTitle(QStringLiteral("Information"));
            break;
        case Icon::Error:
            box.setIcon(QMessageBox::Critical);
            box.setWindowTitle(QStringLiteral("Error"));
            break;
        case Icon::Warning:
            box.setIcon(QMessageBox::Warning);
            box.setWindowTitle(QStringLiteral("Warning"));
            break;
        case Icon::Confirmation:
            box.setIcon(QMessageBox::Question);
            box.setWindowTitle(QStringLiteral("Confirm"));
            break;
    }
    box.setText(fromCp949(text));
    if (buttons == Buttons::YesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Result::Yes : Result::No;
    }
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return Result::Ok;
}

std::optional<std::string> QtMessageBoxes::Input(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& value, const Refusal& refusal) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(fromCp949(caption));
    dialog.setLabelText(fromCp949(prompt));
    dialog.setTextValue(fromCp949(value));
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    // The logic holds CP949: a character it cannot hold is refused as it is typed or pasted,
    // as are the characters the caller names.
    if (auto* edit = dialog.findChild<QLineEdit*>())
        RefuseCharacters(edit, refusal.Chars, refusal.Message);
    if (OnInputShown)
        QMetaObject::invokeMethod(
            &dialog, [this, &dialog] { OnInputShown(dialog); }, Qt::QueuedConnection);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    // Only a value given by the caller can still hold what the box refuses; the caller
    // decides about it.
    return toCp949(dialog.textValue()).value_or(std::string());
}

}  // namespace kv
