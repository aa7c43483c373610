#include "qt/widgets/send_memo.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>

#include "qt/qt_text.h"

namespace kv {

namespace {

QString withCrLf(QString text) {
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString withoutCr(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

}  // namespace

TSendMemo::TSendMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

std::optional<int> TSendMemo::ByteLength(const QString& text) {
    const auto length = cp949Length(text);
    if (!length)
        return std::nullopt;
    return static_cast<int>(*length) + static_cast<int>(text.count(QLatin1Char('\n')));
}

std::string TSendMemo::Cp949Text() const {
    const QString text = withCrLf(toPlainText());
    if (auto bytes = toCp949(text))
        return *bytes;
    QString kept;
    for (const QChar c : text)
        if (toCp949(QString(c)))
            kept += c;
    return toCp949(kept).value_or(std::string());
}

void TSendMemo::SetCp949Text(const std::string& cp949) {
    setPlainText(withoutCr(fromCp949(cp949)));
}

int TSendMemo::BytesUsed() const {
    const auto used = ByteLength(toPlainText());
    return used ? *used : static_cast<int>(Cp949Text().size());
}

bool TSendMemo::Fits(const QString& text) const {
    if (!ByteLength(text))
        return false;
    const QTextCursor c = textCursor();
    const QString all = toPlainText();
    const QString after = all.left(c.selectionStart()) + text + all.mid(c.selectionEnd());
    const auto length = ByteLength(after);
    return length && *length <= MaxLength;
}

void TSendMemo::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool control = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    QString typed;
    if (enter)
        typed = QStringLiteral("\n");
    else if (!control && !event->text().isEmpty() && event->text().at(0).isPrint())
        typed = event->text();
    if (!typed.isEmpty() && !Fits(typed)) {
        event->accept();  // refused, as a full edit box refuses a key
        return;
    }
    if (enter) {
        // Enter always makes a line break, whatever the modifiers.
        textCursor().insertText(typed);
        ensureCursorVisible();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TSendMemo::inputMethodEvent(QInputMethodEvent* event) {
    if (event->commitString().isEmpty() || Fits(event->commitString())) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    // The composition goes on being shown; only the refused text is not taken.
    QInputMethodEvent trimmed(event->preeditString(), event->attributes());
    QPlainTextEdit::inputMethodEvent(&trimmed);
    event->accept();
}

void TSendMemo::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText())
        return;
    // As much of the pasted text as fits, whole characters only.
    const QString text = withoutCr(source->text());
    QString fitting;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString next = fitting + text.mid(i, n);
        if (!Fits(next))
            break;
        fitting = next;
        i += n - 1;
    }
    if (!fitting.isEmpty())
        textCursor().insertText(fitting);
}

}  // namespace kv
