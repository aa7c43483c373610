#include "core/posix/ini_format.h"

#include <cstdint>
#include <vector>

namespace kv {
namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

bool isUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        std::size_t extra;
        std::uint32_t cp;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        const std::uint32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The lines of the file, without their ends ("\n", "\r\n" or "\r"); an unterminated last line
// is not among them.
std::vector<std::string_view> completeLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            lines.push_back(bytes.substr(start, i - start));
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    return lines;
}

// QSettings' escapes: \a \b \f \n \r \t \v \" \' \? \\, \x followed by hex digits and \ followed
// by octal digits (both as long as digits follow), giving a character code.
std::size_t unescapeAt(std::string_view raw, std::size_t i, std::string& out) {
    // raw[i] is the character after the backslash.
    const char c = raw[i];
    switch (c) {
        case 'a': out += '\a'; return i + 1;
        case 'b': out += '\b'; return i + 1;
        case 'f': out += '\f'; return i + 1;
        case 'n': out += '\n'; return i + 1;
        case 'r': out += '\r'; return i + 1;
        case 't': out += '\t'; return i + 1;
        case 'v': out += '\v'; return i + 1;
        case '"':
        case '\'':
        case '?':
        case '\\': out += c; return i + 1;
        default: break;
    }
    std::uint32_t cp = 0;
    std::size_t j = i;
    bool overflow = false;
    if (c == 'x') {
        ++j;
        while (j < raw.size() && isHexDigit(raw[j])) {
            cp = cp * 16 + static_cast<std::uint32_t>(hexValue(raw[j++]));
            overflow = overflow || cp > 0x10FFFF;
        }
    } else if (c >= '0' && c <= '7') {
        while (j < raw.size() && raw[j] >= '0' && raw[j] <= '7') {
            cp = cp * 8 + static_cast<std::uint32_t>(raw[j++] - '0');
            overflow = overflow || cp > 0x10FFFF;
        }
    } else {
        // An unknown escape stands for the character itself.
        out += c;
        return i + 1;
    }
    if (!overflow && !(cp >= 0xD800 && cp <= 0xDFFF))
        appendUtf8(out, cp);
    return j;
}

}  // namespace

std::optional<IniDocument> parseIni(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos || !isUtf8(bytes))
        return std::nullopt;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);

    IniDocument document;
    std::string section(kIniGeneralSection);
    for (std::string_view line : completeLines(bytes)) {
        line = trimBlanks(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close != std::string_view::npos)
                section = std::string(trimBlanks(line.substr(1, close - 1)));
            else
                section.clear();  // the keys below it cannot be placed: skip them
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos || section.empty())
            continue;
        const std::string_view key = trimBlanks(line.substr(0, equals));
        if (key.empty())
            continue;
        document[section][std::string(key)] = std::string(trimBlanks(line.substr(equals + 1)));
    }
    return document;
}

std::string formatIni(const IniDocument& document) {
    std::string out;
    auto appendSection = [&](const std::string& name, const IniSection& keys) {
        if (keys.empty())
            return;
        if (!out.empty())
            out += '\n';
        out += '[';
        out += name;
        out += "]\n";
        for (const auto& [key, value] : keys) {
            out += key;
            out += '=';
            out += value;
            out += '\n';
        }
    };
    const std::string general(kIniGeneralSection);
    if (auto it = document.find(general); it != document.end())
        appendSection(general, it->second);
    for (const auto& [name, keys] : document)
        if (name != general)
            appendSection(name, keys);
    return out;
}

std::optional<std::string> decodeIniValue(std::string_view raw) {
    raw = trimBlanks(raw);
    std::string text;
    bool quoted = false;
    // Blanks outside quotes at the end are dropped; this is where the kept text ends.
    std::size_t keep = 0;
    std::size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
            ++i;
            keep = text.size();
            continue;
        }
        if (!quoted && c == ';')
            break;  // a comment runs to the end of the line
        if (!quoted && c == ',')
            return std::nullopt;  // a list, not a text
        if (c == '\\') {
            if (i + 1 == raw.size())
                break;
            i = unescapeAt(raw, i + 1, text);
            keep = text.size();
            continue;
        }
        text += c;
        if (quoted || (c != ' ' && c != '\t'))
            keep = text.size();
        ++i;
    }
    if (quoted)
        return std::nullopt;
    text.resize(keep);

    // QSettings marks values of other types with a leading "@"; "@@" stands for a plain "@".
    if (!text.empty() && text.front() == '@') {
        if (text.size() > 1 && text[1] == '@')
            return text.substr(1);
        constexpr std::string_view kByteArray = "@ByteArray(";
        constexpr std::string_view kString = "@String(";
        for (std::string_view prefix : {kByteArray, kString}) {
            if (text.starts_with(prefix) && text.back() == ')')
                return text.substr(prefix.size(), text.size() - prefix.size() - 1);
        }
        if (text.find('(') != std::string::npos && text.back() == ')')
            return std::nullopt;
    }
    return text;
}

std::string encodeIniValue(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    if (!text.empty() && text.front() == '@')
        out += '@';
    bool needsQuotes = false;
    bool escapeNextIfHexDigit = false;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == ';' || c == ',' || c == '=')
            needsQuotes = true;
        // After a numeric escape a hex digit would be read as part of it.
        if (escapeNextIfHexDigit && isHexDigit(c)) {
            out += "\\x";
            out += "0123456789abcdef"[b >> 4];
            out += "0123456789abcdef"[b & 15];
            continue;
        }
        escapeNextIfHexDigit = false;
        switch (c) {
            case '\0':
                out += "\\0";
                escapeNextIfHexDigit = true;
                break;
            case '\a': out += "\\a"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\v': out += "\\v"; break;
            case '"':
            case '\\':
                out += '\\';
                out += c;
                break;
            default:
                if (b <= 0x1F) {
                    out += "\\x";
                    if (b >= 16)
                        out += "0123456789abcdef"[b >> 4];
                    out += "0123456789abcdef"[b & 15];
                    escapeNextIfHexDigit = true;
                } else {
                    out += c;
                }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        out = '"' + out + '"';
    return out;
}

}  // namespace kv
