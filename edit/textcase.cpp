#include "edit/textcase.h"

#include "platform/strutil.h"

namespace {

// Byte length of the character that starts at offset.
std::size_t CharAt(const std::string& text, std::size_t offset)
{
    return BytesOfChars(text.substr(offset, 4), 1);
}

} // namespace

std::string UpperCaseWords(std::string text)
{
    text = MakeLower(text);
    std::string result;
    result.reserve(text.size());
    bool wordStart = true;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = CharAt(text, i);
        const std::string character = text.substr(i, length);
        result += wordStart ? MakeUpper(character) : character;
        wordStart = character == " ";
        i += length;
    }
    return result;
}

std::string UpperCaseFirstLetter(std::string text)
{
    if (text.empty())
        return text;
    const std::size_t length = CharAt(text, 0);
    return MakeUpper(text.substr(0, length)) + MakeLower(text.substr(length));
}
