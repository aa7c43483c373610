#pragma once

// The windows' text: the edge between QString and the logic's CP949 bytes, and bold labels.

#include <QFont>
#include <QString>
#include <QValidator>

#include <functional>
#include <optional>
#include <string>

class QLineEdit;

namespace kv {

QString fromCp949(const std::string& cp949);

// Nothing when the text holds a character that CP949 cannot represent.
std::optional<std::string> toCp949(const QString& text);

// Length of the text in CP949 bytes, or nothing when CP949 cannot hold it.
std::optional<std::size_t> cp949Length(const QString& text);

// Refuses input that CP949 cannot hold, as an edit box of the 8-bit code page does.
class Cp949Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// A line edit's validator that refuses an edit bringing in a character that `allowed` refuses
// or that CP949 cannot hold, typed, pasted or committed by an input method (a composition in
// progress is not checked, so Hangul composes as usual). Characters the program put there
// itself do not block other edits. A refused edit leaves the box as it was; `onRefused` is
// called with the refused text while the box is on view, so that it can say why.
class RefusingValidator : public QValidator {
public:
    RefusingValidator(QLineEdit* edit, std::function<bool(QChar)> allowed,
                      std::function<void(const QString& refused)> onRefused = {});
    State validate(QString& input, int& pos) const override;

private:
    qsizetype RefusedCount(const QString& text) const;

    QLineEdit* FEdit;
    // The box's text before the edit being checked: while it checks, the box already holds
    // the new text.
    QString FBefore;
    std::function<bool(QChar)> FAllowed;
    std::function<void(const QString&)> FOnRefused;
};

// `font` in bold, drawn by thickening its regular face. Where the family has a bold face of its
// own, that face is a second large font file to load and keep in memory for a few labels (a
// CJK collection costs the start-up about 2 MiB and a few milliseconds); Gulim, the face these
// windows were made for, has none and is always thickened.
QFont BoldOf(QFont font);

// Puts a RefusingValidator on `edit` that refuses the ASCII characters of `refused` (CP949 as
// the logic holds them) and shows `message` (CP949) beside the box when an edit is refused for
// one of them.
void RefuseCharacters(QLineEdit* edit, const std::string& refused, const std::string& message);

}  // namespace kv
