#include "ui/chat/chat_log_view.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "qt/qt_text.h"

namespace kv {

QFont ChatLogFont(const ChatTextStyle& style) {
    QFont font;
    font.setFamilies({fromCp949(style.FontName), QStringLiteral("Gulim"),
                      QStringLiteral("Noto Sans CJK KR"), QStringLiteral("Noto Sans KR"),
                      QStringLiteral("NanumGothic")});
    // Points at 96 dots per inch, as the window's design is measured.
    font.setPixelSize(style.PointSize * 4 / 3);
    return font;
}

TChatLogView::TChatLogView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setAcceptRichText(false);
    setUndoRedoEnabled(false);  // a log only grows; undo steps would only cost memory
    document()->setDocumentMargin(4);

    const ChatLogStyles& styles = ChatLogStyleSheet();
    for (int s = 0; s < 2; ++s) {
        const ChatTextStyle& t = styles.Text[s];
        FChar[s].setFont(ChatLogFont(t));
        FChar[s].setForeground(QColor(t.Red, t.Green, t.Blue));
        FBlock[s].setTopMargin(styles.Para[s].SpaceBefore);
        FBlock[s].setLeftMargin(styles.Para[s].LeftIndent);
    }
}

void TChatLogView::AppendParagraphs(const ChatLog& log, std::size_t first) {
    const auto& paragraphs = log.Paragraphs();
    if (first >= paragraphs.size())
        return;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (std::size_t i = first; i < paragraphs.size(); ++i) {
        const int s = paragraphs[i].Style == kUserStyle ? 0 : 1;
        if (FShown == 0) {
            // The document's first, empty block becomes the first paragraph.
            cursor.setBlockFormat(FBlock[s]);
            cursor.setBlockCharFormat(FChar[s]);
        } else {
            cursor.insertBlock(FBlock[s], FChar[s]);
        }
        cursor.insertText(fromCp949(paragraphs[i].Text), FChar[s]);
        ++FShown;
    }
    cursor.endEditBlock();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

}  // namespace kv
