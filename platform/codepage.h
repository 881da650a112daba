#pragma once

#include <cstddef>
#include <string>

// The code page of the ID3v1 fields on disk. Texts in the program are UTF-8; the tag fields are
// bytes in this code page, converted when a trailer is read or written. Default windows-1250.
class TagCodePage {
public:
    // Chooses the code page by its iconv name; false (and a message in *error) when iconv does
    // not know it, leaving the current choice unchanged.
    static bool Set(const std::string& name, std::string* error = nullptr);
    static std::string Name();

    // Decodes field bytes (no NUL inside) to UTF-8. Bytes that do not decode become U+FFFD.
    static std::string Decode(const char* bytes, std::size_t length);
    // Encodes text into at most width bytes: the longest prefix of whole characters that fits.
    // A character the code page cannot hold is transliterated, or written as '?'.
    // *fitted receives the UTF-8 prefix that was encoded, when given.
    static std::string Encode(
        const std::string& text, std::size_t width, std::string* fitted = nullptr);
};
