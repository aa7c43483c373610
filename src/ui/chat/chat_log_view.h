#pragma once

// RichView1: the chat window's log as a read-only rich-text view. It shows the paragraphs of a
// ChatLog with the log's style sheet; text in it can be selected and copied.

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextEdit>

#include <cstddef>

#include "core/messaging/chat_log.h"

namespace kv {

class TChatLogView final : public QTextEdit {
    Q_OBJECT
public:
    explicit TChatLogView(QWidget* parent = nullptr);

    // Shows the log's paragraphs from `first` to its end after those already shown, then lays
    // the view out again and scrolls to its end.
    void AppendParagraphs(const ChatLog& log, std::size_t first);

    std::size_t ParagraphCount() const { return FShown; }
    // The formats a style index is shown with.
    const QTextCharFormat& CharFormat(int style) const { return FChar[style ? 1 : 0]; }
    const QTextBlockFormat& BlockFormat(int style) const { return FBlock[style ? 1 : 0]; }

private:
    QTextCharFormat FChar[2];
    QTextBlockFormat FBlock[2];
    std::size_t FShown = 0;
};

// The log's font for a text style: 굴림 at the style's size, with the Korean fonts found on
// this system behind it.
QFont ChatLogFont(const ChatTextStyle& style);

}  // namespace kv
