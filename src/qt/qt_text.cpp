#include "qt/qt_text.h"

#include <QLineEdit>
#include <QToolTip>

#include "core/base/cp949.h"

namespace kv {

QString fromCp949(const std::string& cp949) {
    const std::string utf8 = cp949ToUtf8(cp949);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> toCp949(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return utf8ToCp949(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

std::optional<std::size_t> cp949Length(const QString& text) {
    auto bytes = toCp949(text);
    if (!bytes)
        return std::nullopt;
    return bytes->size();
}

QValidator::State Cp949Validator::validate(QString& input, int&) const {
    return toCp949(input) ? Acceptable : Invalid;
}

RefusingValidator::RefusingValidator(QLineEdit* edit, std::function<bool(QChar)> allowed,
                                     std::function<void(const QString&)> onRefused)
    : QValidator(edit),
      FEdit(edit),
      FBefore(edit->text()),
      FAllowed(std::move(allowed)),
      FOnRefused(std::move(onRefused)) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { FBefore = text; });
}

qsizetype RefusingValidator::RefusedCount(const QString& text) const {
    qsizetype n = 0;
    for (const QChar c : text)
        if (!FAllowed(c))
            ++n;
    return n;
}

QValidator::State RefusingValidator::validate(QString& input, int&) const {
    if (!toCp949(input))
        return Invalid;
    if (RefusedCount(input) <= RefusedCount(FBefore))
        return Acceptable;
    // A text the program sets is checked too, before the box is shown; only the member's
    // edits are told about.
    if (FOnRefused && FEdit->isVisible())
        FOnRefused(input);
    return Invalid;
}

void RefuseCharacters(QLineEdit* edit, const std::string& refused, const std::string& message) {
    const QString chars =
        QString::fromLatin1(refused.data(), static_cast<qsizetype>(refused.size()));
    const QString text = fromCp949(message);
    edit->setValidator(new RefusingValidator(
        edit, [chars](QChar c) { return !chars.contains(c); },
        [edit, text](const QString&) {
            QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), text, edit);
        }));
}

QFont BoldOf(QFont font) {
    // A style named for the regular face; the weight asked for then thickens its strokes.
    font.setStyleName(QStringLiteral("Regular"));
    font.setBold(true);
    return font;
}

}  // namespace kv
