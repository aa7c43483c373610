#include "core/messaging/chat_log.h"

#include <algorithm>
#include <cstdio>

#include "core/base/cp949.h"

namespace kv {

const ChatLogStyles& ChatLogStyleSheet() {
    static const ChatLogStyles styles = [] {
        ChatLogStyles s;
        const std::string gulim = cp949("굴림");
        s.Text[kUserStyle] = {gulim, 9, 128, 128, 128};
        s.Text[kMessageStyle] = {gulim, 9, 0, 0, 0};
        s.Para[kUserStyle] = {4, 0};
        s.Para[kMessageStyle] = {0, 8};
        return s;
    }();
    return styles;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::size_t ChatLog::AddEntry(std::string_view name, std::string_view message) {
    const std::size_t header = FParagraphs.size();
    std::string caption(name);
    caption += " :";
    FParagraphs.push_back({std::move(caption), kUserStyle});
    for (std::string_view line : SplitLines(message))
        FParagraphs.push_back({std::string(line), kMessageStyle});
    ++FEntries;
    return header;
}

namespace {

constexpr int kTwipsPerPixel = 15;  // at 96 dots per inch

bool isLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

void appendHex(std::string& out, unsigned char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\'%02x", c);
    out += buffer;
}

// RTF text of CP949 bytes. Control characters never reach the log (it is split at line
// breaks); any left over is written escaped rather than dropped.
void appendRtfText(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c >= 0x20 && c < 0x80) {
            out += static_cast<char>(c);
        } else if (isLeadByte(c) && i + 1 < text.size()) {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            // Both bytes of a double-byte character escaped: a trail byte may be an ASCII
            // letter, which a reader would otherwise take as a character of its own.
            appendHex(out, c);
            appendHex(out, trail);
            ++i;
        } else {
            appendHex(out, c);
        }
    }
}

}  // namespace

std::string WriteChatLogRtf(const ChatLog& log, const ChatLogStyles& styles) {
    // Fonts and colours, each listed once.
    std::vector<std::string> fonts;
    std::vector<const ChatTextStyle*> colours;
    int fontOf[2] = {0, 0};
    int colourOf[2] = {0, 0};
    for (int s = 0; s < 2; ++s) {
        const ChatTextStyle& t = styles.Text[s];
        auto f = std::find(fonts.begin(), fonts.end(), t.FontName);
        if (f == fonts.end())
            f = fonts.insert(fonts.end(), t.FontName);
        fontOf[s] = static_cast<int>(f - fonts.begin());
        auto c = std::find_if(colours.begin(), colours.end(), [&t](const ChatTextStyle* o) {
            return o->Red == t.Red && o->Green == t.Green && o->Blue == t.Blue;
        });
        if (c == colours.end())
            c = colours.insert(colours.end(), &t);
        colourOf[s] = static_cast<int>(c - colours.begin()) + 1;  // 0 is the default colour
    }

    std::string out = "{\\rtf1\\ansi\\ansicpg949\\deff0\n{\\fonttbl";
    for (std::size_t f = 0; f < fonts.size(); ++f) {
        out += "{\\f" + std::to_string(f) + "\\fnil\\fcharset129 ";
        appendRtfText(out, fonts[f]);
        out += ";}";
    }
    out += "}\n{\\colortbl ;";
    for (const ChatTextStyle* c : colours)
        out += "\\red" + std::to_string(c->Red) + "\\green" + std::to_string(c->Green) + "\\blue" +
               std::to_string(c->Blue) + ";";
    out += "}\n";

    std::string head[2];
    for (int s = 0; s < 2; ++s) {
        const ChatParaStyle& p = styles.Para[s];
        head[s] = "\\pard\\sb" + std::to_string(p.SpaceBefore * kTwipsPerPixel) + "\\li" +
                  std::to_string(p.LeftIndent * kTwipsPerPixel) + "\\plain\\f" +
                  std::to_string(fontOf[s]) + "\\fs" +
                  std::to_string(styles.Text[s].PointSize * 2) + "\\cf" +
                  std::to_string(colourOf[s]) + " ";
    }
    for (const ChatParagraph& p : log.Paragraphs()) {
        const int s = p.Style == kUserStyle ? kUserStyle : kMessageStyle;
        out += head[s];
        appendRtfText(out, p.Text);
        out += "\\par\n";
    }
    out += "}\n";
    return out;
}

std::string WriteChatLogText(const ChatLog& log, const PlainTextFormat& format) {
    std::string out;
    for (const ChatParagraph& p : log.Paragraphs()) {
        out += format.Utf8 ? cp949ToUtf8(p.Text) : p.Text;
        out += format.LineEnd;
    }
    return out;
}

ChatLogFile ChooseChatLogFile(std::string_view chosenPath) {
    std::string path(chosenPath);
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return {path + ".txt", ChatLogFileKind::PlainText};
    const bool rtf = std::string_view(path).substr(dot) == ".rtf";
    return {path, rtf ? ChatLogFileKind::Rtf : ChatLogFileKind::PlainText};
}

}  // namespace kv
