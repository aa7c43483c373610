#pragma once

// The chat log of one chat window as plain data: paragraphs, each with one text style and one
// paragraph style, added an entry at a time (a header paragraph with the name, then one
// paragraph per line of the message, empty lines kept). The window's view shows the same
// paragraphs; the writers turn the log into the files the member saves.
//
// Texts are CP949 bytes. Threads: one at a time (the chat window's user-interface thread).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct ChatTextStyle {
    std::string FontName;  // CP949
    int PointSize = 9;
    std::uint8_t Red = 0, Green = 0, Blue = 0;
};

struct ChatParaStyle {
    int SpaceBefore = 0;  // pixels at 96 dots per inch
    int LeftIndent = 0;   // pixels at 96 dots per inch
};

// The log's style sheet: text and paragraph style 0 for the header ("User"), 1 for the
// message lines ("Message").
struct ChatLogStyles {
    ChatTextStyle Text[2];
    ChatParaStyle Para[2];
};
const ChatLogStyles& ChatLogStyleSheet();

inline constexpr int kUserStyle = 0;
inline constexpr int kMessageStyle = 1;

struct ChatParagraph {
    std::string Text;           // CP949, without line breaks
    int Style = kMessageStyle;  // text and paragraph style alike
    bool operator==(const ChatParagraph&) const = default;
};

class ChatLog {
public:
    // Adds the header "<name> :" and the message split at its line breaks (CR LF, or a lone
    // CR or LF); returns the index of the header paragraph.
    std::size_t AddEntry(std::string_view name, std::string_view message);

    const std::vector<ChatParagraph>& Paragraphs() const { return FParagraphs; }
    std::size_t EntryCount() const { return FEntries; }

private:
    std::vector<ChatParagraph> FParagraphs;
    std::size_t FEntries = 0;
};

// The message's lines: split at CR LF, CR or LF; an empty text is one empty line.
std::vector<std::string_view> SplitLines(std::string_view text);

// An RTF document with the log's fonts, colours, spacing and indents. The text stays in code
// page 949 (\ansicpg949, fonts with \fcharset129), every byte above 127 written as \'hh, as
// word processors expect Korean text in RTF.
std::string WriteChatLogRtf(const ChatLog& log, const ChatLogStyles& styles = ChatLogStyleSheet());

// How a plain-text log is stored: the platform's text files differ in code page and line end.
struct PlainTextFormat {
    bool Utf8 = true;            // false: CP949 bytes as held
    std::string LineEnd = "\n";  // after every paragraph
};

// One line per paragraph.
std::string WriteChatLogText(const ChatLog& log, const PlainTextFormat& format);

// The format a saved log takes from the chosen file name, and the name it is written under.
enum class ChatLogFileKind { Rtf, PlainText };
struct ChatLogFile {
    std::string Path;
    ChatLogFileKind Kind = ChatLogFileKind::PlainText;
    bool operator==(const ChatLogFile&) const = default;
};

// A name without an extension gets ".txt"; an extension of exactly ".rtf" (as typed, lower
// case) gives RTF, any other plain text. The extension is what follows the last "." of the
// file's own name (not of a folder's).
ChatLogFile ChooseChatLogFile(std::string_view chosenPath);

}  // namespace kv
