#include "platform/strutil.h"

#include <cstdarg>
#include <cstdio>

#include <QChar>

namespace {

void AppendChar(std::string& out, char32_t cp)
{
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

template <typename Map> std::string MapCase(const std::string& text, Map map)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            // ASCII maps onto ASCII: no decoding needed.
            out += static_cast<char>(map(byte));
            ++i;
            continue;
        }
        char32_t cp;
        std::size_t length = Utf8CharAt(text, i, &cp);
        if (length == 0) {
            out += text[i++]; // an invalid byte stays as it is
            continue;
        }
        AppendChar(out, map(cp));
        i += length;
    }
    return out;
}

} // namespace

std::size_t Utf8CharAt(std::string_view text, std::size_t i, char32_t* cp)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1
        : (lead & 0xE0) == 0xC0            ? 2
        : (lead & 0xF0) == 0xE0            ? 3
        : (lead & 0xF8) == 0xF0            ? 4
                                           : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    if (cp)
        *cp = code;
    return length;
}

bool IsTrimSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string TrimRight(std::string text)
{
    std::size_t end = text.size();
    while (end > 0 && IsTrimSpace(text[end - 1]))
        --end;
    text.erase(end);
    return text;
}

std::string TrimLeft(std::string text)
{
    std::size_t start = 0;
    while (start < text.size() && IsTrimSpace(text[start]))
        ++start;
    text.erase(0, start);
    return text;
}

std::string Trim(std::string text)
{
    return TrimLeft(TrimRight(std::move(text)));
}

std::string MakeUpper(const std::string& text)
{
    return MapCase(text, [](char32_t cp) { return static_cast<char32_t>(QChar::toUpper(cp)); });
}

std::string MakeLower(const std::string& text)
{
    return MapCase(text, [](char32_t cp) { return static_cast<char32_t>(QChar::toLower(cp)); });
}

std::size_t CharCount(const std::string& text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        char32_t cp;
        std::size_t length = Utf8CharAt(text, i, &cp);
        i += length ? length : 1;
    }
    return count;
}

std::size_t BytesOfChars(const std::string& text, std::size_t count)
{
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < text.size(); ++n) {
        char32_t cp;
        std::size_t length = Utf8CharAt(text, i, &cp);
        i += length ? length : 1;
    }
    return i;
}

std::string Quoted(std::string_view text, bool escapeTabs)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\0':
            out += "\\0";
            break;
        case '\t':
            out += escapeTabs ? "\\t" : "\t";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        out.resize(static_cast<std::size_t>(length));
        std::vsnprintf(out.data(), out.size() + 1, format, args);
    }
    va_end(args);
    return out;
}
