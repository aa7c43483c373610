#pragma once

// SendText: the chat window's input memo. Typed and pasted input is limited to MaxLength bytes
// as CP949 counts them (a Hangul syllable 2, a line break 2 as CR LF) and refused when CP949
// cannot hold it; Enter inserts a line break. Text set from the program is not cut.

#include <QPlainTextEdit>

#include <optional>

#include "core/base/CommonUnit.h"

namespace kv {

class TSendMemo final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TSendMemo(QWidget* parent = nullptr);

    int MaxLength = static_cast<int>(kMaxMessageBytes);

    // The memo's text in CP949 bytes with CR LF line breaks; characters CP949 cannot hold
    // (only possible through setPlainText) are left out.
    std::string Cp949Text() const;
    void SetCp949Text(const std::string& cp949);
    // The text's length in CP949 bytes, line breaks as CR LF; what counters show. Characters
    // CP949 cannot hold (only possible through setPlainText) are not counted.
    int BytesUsed() const;

    // The length of a text in CP949 bytes, line breaks counted as CR LF; nothing when CP949
    // cannot hold it.
    static std::optional<int> ByteLength(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Whether replacing the selection with `text` keeps the memo within MaxLength.
    bool Fits(const QString& text) const;
};

}  // namespace kv
