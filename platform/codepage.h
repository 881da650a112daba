#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The code page of the ID3v1 fields on disk. Texts in the program are UTF-8; the tag fields are
// bytes in this code page, converted when a trailer is read or written. Default windows-1250.
//
// Decoding is reversible. A byte the code page does not define, or a sequence whose character
// would not encode back to the same bytes, becomes one "raw byte" character per byte:
// U+EF00 + byte, in the private-use range U+EF80..U+EFFF, which Encode writes back as that very
// byte. No ASCII-compatible code page of glibc's iconv decodes into that range, except UTF-8
// and GB18030, which can spell every character: a sequence of theirs that decodes into the
// range is kept as raw bytes too. Bytes below 0x80 are ASCII in every code page accepted.
class TagCodePage {
public:
    // Chooses the code page by its iconv name; false (and a message in *error) when iconv does
    // not know it or it is not ASCII-compatible (UTF-16, UTF-32, UTF-7, EBCDIC, ...), leaving
    // the current choice unchanged.
    static bool Set(const std::string& name, std::string* error = nullptr);
    static std::string Name();

    // Decodes field bytes (no NUL inside) to UTF-8; bytes that do not decode become raw bytes.
    static std::string Decode(const char* bytes, std::size_t length);
    // The same into out, whose storage is kept: a load decodes many fields one after another.
    static void DecodeInto(const char* bytes, std::size_t length, std::string& out);
    // Encodes text into at most width bytes: the longest prefix of whole characters that fits.
    // A raw byte is written as its byte; a character the code page cannot hold is
    // transliterated, or written as '?'. *fitted receives the UTF-8 prefix that was encoded,
    // when given.
    static std::string Encode(
        const std::string& text, std::size_t width, std::string* fitted = nullptr);
    // The same into out, which has room for width bytes; returns the length of the prefix of
    // text that was encoded. A write encodes many fields one after another.
    static std::size_t EncodeTo(std::string_view text, std::size_t width, char* out);
    // True when the code page has a form of its own for this one character (UTF-8), so that
    // Encode writes it without transliteration.
    static bool Holds(std::string_view character);
};

// The first raw byte character, U+EF80 (byte 0x80); U+EFFF is byte 0xFF.
inline constexpr char32_t kRawByteFirst = 0xEF80;
// The UTF-8 of the raw byte character of byte (0x80..0xFF).
std::string RawByteChar(unsigned char byte);
// The byte of the raw byte character at text[i], or -1 when none starts there.
int RawByteAt(std::string_view text, std::size_t i);
// The text with each raw byte character shown as U+FFFD, the replacement character.
std::string ShowRawBytes(std::string_view text);
