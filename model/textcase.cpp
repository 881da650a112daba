#include "model/textcase.h"

#include "platform/codepage.h"
#include "platform/strutil.h"

namespace {

// Byte length of the character that starts at offset.
std::size_t CharAt(const std::string& text, std::size_t offset)
{
    return BytesOfChars(text.substr(offset, 4), 1);
}

// One character recased, or unchanged when the tag code page has no form for the result
// (µ has no capital in windows-1250, ÿ none in ISO-8859-1): a letter without a case pair
// there stays what it is rather than becoming another letter or '?'.
std::string Recased(const std::string& character, bool upper)
{
    const std::string recased = upper ? MakeUpper(character) : MakeLower(character);
    return recased == character || TagCodePage::Holds(recased) ? recased : character;
}

// Every character of text from offset on lower-cased.
std::string LowerFrom(const std::string& text, std::size_t offset)
{
    std::string result;
    for (std::size_t i = offset; i < text.size();) {
        const std::size_t length = CharAt(text, i);
        result += Recased(text.substr(i, length), false);
        i += length;
    }
    return result;
}

} // namespace

std::string UpperCaseWords(std::string text)
{
    text = LowerFrom(text, 0);
    std::string result;
    result.reserve(text.size());
    bool wordStart = true;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = CharAt(text, i);
        const std::string character = text.substr(i, length);
        result += wordStart ? Recased(character, true) : character;
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
    return Recased(text.substr(0, length), true) + LowerFrom(text, length);
}
