#include "platform/codepage.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/strutil.h"

namespace {

std::mutex g_nameMutex;
std::string g_strCodePage = "windows-1250";
std::atomic<unsigned> g_nGeneration {1};

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD
// The longest character of the multibyte code pages (GB18030, EUC-TW).
constexpr std::size_t kLongestSequence = 4;

bool IsUtf8Name(const std::string& name)
{
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower == "utf-8" || lower == "utf8";
}

// Converts all of in with cd from its initial state, the final shift sequence included; false
// when cd cannot convert all of it. For short texts (a character, the ASCII set): at most 256
// bytes in, and room for four bytes out per byte in.
bool ConvertAll(iconv_t cd, std::string_view in, std::string& out)
{
    if (cd == kNoConverter)
        return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[1024];
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    if (in.size() > 256
        || iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)
        || iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return false;
    out.assign(buffer, sizeof buffer - outLeft);
    return true;
}

// Decodes UTF-8 field bytes: well-formed characters as they are, every other byte (and a
// character that would read as a raw byte) as raw bytes.
std::string DecodeUtf8(std::string_view in)
{
    std::string out;
    for (std::size_t i = 0; i < in.size();) {
        const std::size_t n = Utf8CharAt(in, i);
        if (n > 0 && RawByteAt(in, i) < 0) {
            out.append(in, i, n);
            i += n;
            continue;
        }
        for (std::size_t k = 0; k < std::max<std::size_t>(n, 1); ++k)
            out += RawByteChar(static_cast<unsigned char>(in[i + k]));
        i += std::max<std::size_t>(n, 1);
    }
    return out;
}

// Converts one character; false when the code page has no form for it.
bool ConvertOne(iconv_t cd, const char* in, std::size_t length, std::string& out)
{
    return ConvertAll(cd, std::string_view(in, length), out) && !out.empty();
}

// iconv descriptors are not safe to share between threads: each thread keeps its own, reopened
// when the code page changes, with the decoding of every single byte worked out once.
struct Converters {
    unsigned generation = 0;
    std::string name;
    bool utf8 = false;
    iconv_t decode = kNoConverter;
    iconv_t encode = kNoConverter;
    iconv_t encodeExact = kNoConverter;
    // Bytes 0x80..0xFF: the UTF-8 each decodes to on its own (a raw byte when it does not),
    // and whether it starts a longer character instead.
    std::array<std::string, 128> byteText;
    std::array<bool, 128> byteStarts {};
    bool singleByte = true;
    // The characters single bytes decode to, each with its byte, sorted by character: Encode
    // finds these without a call of iconv.
    std::vector<std::pair<std::string, char>> textBytes;

    ~Converters() { CloseAll(); }

    void CloseAll()
    {
        for (iconv_t* cd : {&decode, &encode, &encodeExact}) {
            if (*cd != kNoConverter)
                iconv_close(*cd);
            *cd = kNoConverter;
        }
    }

    void Refresh()
    {
        unsigned current = g_nGeneration.load(std::memory_order_acquire);
        if (current == generation)
            return;
        CloseAll();
        {
            std::lock_guard lock(g_nameMutex);
            name = g_strCodePage;
        }
        generation = current;
        utf8 = IsUtf8Name(name);
        if (utf8)
            return;
        decode = iconv_open("UTF-8", name.c_str());
        encode = iconv_open((name + "//TRANSLIT").c_str(), "UTF-8");
        encodeExact = iconv_open(name.c_str(), "UTF-8");
        singleByte = true;
        textBytes.clear();
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char byte = static_cast<char>(b);
            std::string& text = byteText[static_cast<std::size_t>(b - 0x80)];
            const Step step = DecodeOne(&byte, 1, text);
            byteStarts[static_cast<std::size_t>(b - 0x80)] = step == Step::Incomplete;
            if (step == Step::Decoded)
                textBytes.emplace_back(text, byte);
            else
                text = RawByteChar(static_cast<unsigned char>(b));
            if (step == Step::Incomplete)
                singleByte = false;
        }
        std::sort(textBytes.begin(), textBytes.end());
    }

    // The byte a character decodes from on its own (and so encodes to exactly); -1 when none.
    int ByteOf(std::string_view character) const
    {
        const auto found = std::lower_bound(textBytes.begin(), textBytes.end(), character,
            [](const auto& entry, std::string_view key) { return entry.first < key; });
        if (found == textBytes.end() || found->first != character)
            return -1;
        return static_cast<unsigned char>(found->second);
    }

    enum class Step { Decoded, Incomplete, Invalid };

    // Decodes exactly the length bytes at in as one character (or a few that belong
    // together). Decoded only when the text encodes back, character by character as Encode
    // does, to the same bytes and holds no raw byte character.
    Step DecodeOne(const char* in, std::size_t length, std::string& text)
    {
        if (decode == kNoConverter)
            return Step::Invalid;
        iconv(decode, nullptr, nullptr, nullptr, nullptr);
        char buffer[64];
        char* inPtr = const_cast<char*>(in);
        std::size_t inLeft = length;
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(decode, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return errno == EINVAL ? Step::Incomplete : Step::Invalid;
        if (iconv(decode, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return Step::Invalid;
        text.assign(buffer, sizeof buffer - outLeft);
        return !text.empty() && EncodesBackTo(text, std::string_view(in, length)) ? Step::Decoded
                                                                                  : Step::Invalid;
    }

    bool EncodesBackTo(std::string_view text, std::string_view bytes)
    {
        std::string encoded;
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t n = Utf8CharAt(text, i);
            std::string one;
            if (n == 0 || RawByteAt(text, i) >= 0 || !ConvertOne(encodeExact, &text[i], n, one))
                return false;
            encoded += one;
            i += n;
        }
        return encoded == bytes;
    }

    // Decodes non-ASCII bytes of a multibyte code page, character by character.
    std::string DecodeMultibyte(std::string_view in)
    {
        std::string out;
        for (std::size_t i = 0; i < in.size();) {
            const auto b = static_cast<unsigned char>(in[i]);
            if (b < 0x80 || !byteStarts[b - 0x80]) {
                if (b < 0x80)
                    out += static_cast<char>(b);
                else
                    out += byteText[b - 0x80];
                ++i;
                continue;
            }
            std::size_t taken = 0;
            std::string text;
            for (std::size_t n = 2; n <= kLongestSequence && i + n <= in.size(); ++n) {
                const Step step = DecodeOne(&in[i], n, text);
                if (step == Step::Decoded)
                    taken = n;
                if (step != Step::Incomplete)
                    break;
            }
            if (taken == 0) {
                out += RawByteChar(b);
                ++i;
            } else {
                out += text;
                i += taken;
            }
        }
        return out;
    }
};

Converters& ThreadConverters()
{
    thread_local Converters converters;
    converters.Refresh();
    return converters;
}

// Every ASCII character but NUL decodes and encodes as its own byte.
bool IsAsciiCompatible(const std::string& name)
{
    std::string ascii;
    for (int c = 1; c < 0x80; ++c)
        ascii += static_cast<char>(c);
    iconv_t decode = iconv_open("UTF-8", name.c_str());
    iconv_t encode = iconv_open(name.c_str(), "UTF-8");
    std::string decoded;
    std::string encoded;
    const bool compatible = ConvertAll(decode, ascii, decoded) && decoded == ascii
        && ConvertAll(encode, ascii, encoded) && encoded == ascii;
    for (iconv_t cd : {decode, encode}) {
        if (cd != kNoConverter)
            iconv_close(cd);
    }
    return compatible;
}

bool IsKnown(const std::string& name)
{
    iconv_t a = iconv_open("UTF-8", name.c_str());
    iconv_t b = iconv_open(name.c_str(), "UTF-8");
    const bool known = a != kNoConverter && b != kNoConverter;
    for (iconv_t cd : {a, b}) {
        if (cd != kNoConverter)
            iconv_close(cd);
    }
    return known;
}

} // namespace

std::string RawByteChar(unsigned char byte)
{
    const char32_t cp = kRawByteFirst + (byte - 0x80u);
    return {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
        static_cast<char>(0x80 | (cp & 0x3F))};
}

int RawByteAt(std::string_view text, std::size_t i)
{
    // U+EF80..U+EFFF is EE BE 80..EE BF BF.
    if (i + 3 > text.size() || static_cast<unsigned char>(text[i]) != 0xEE)
        return -1;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    const auto third = static_cast<unsigned char>(text[i + 2]);
    if ((second != 0xBE && second != 0xBF) || (third & 0xC0) != 0x80)
        return -1;
    return 0x80 | ((second & 0x01) << 6) | (third & 0x3F);
}

std::string ShowRawBytes(std::string_view text)
{
    std::string out;
    std::size_t plain = 0;
    for (std::size_t i = text.find('\xEE'); i != std::string_view::npos;
         i = text.find('\xEE', i + 1)) {
        if (RawByteAt(text, i) < 0)
            continue;
        out.append(text.substr(plain, i - plain));
        out += kReplacement;
        plain = i + 3;
        i += 2;
    }
    if (plain == 0)
        return std::string(text);
    out.append(text.substr(plain));
    return out;
}

bool TagCodePage::Set(const std::string& name, std::string* error)
{
    std::string problem;
    if (name.empty() || (!IsUtf8Name(name) && !IsKnown(name)))
        problem = "unknown code page '" + name + "'";
    else if (!IsUtf8Name(name) && !IsAsciiCompatible(name))
        problem = "code page '" + name + "' is not ASCII-compatible";
    if (!problem.empty()) {
        if (error)
            *error = problem;
        return false;
    }
    {
        std::lock_guard lock(g_nameMutex);
        g_strCodePage = name;
    }
    g_nGeneration.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

std::string TagCodePage::Name()
{
    std::lock_guard lock(g_nameMutex);
    return g_strCodePage;
}

std::string TagCodePage::Decode(const char* bytes, std::size_t length)
{
    std::string out;
    DecodeInto(bytes, length, out);
    return out;
}

void TagCodePage::DecodeInto(const char* bytes, std::size_t length, std::string& out)
{
    const std::string_view in(bytes, length);
    if (std::all_of(in.begin(), in.end(), [](char c) { return (c & 0x80) == 0; })) {
        out.assign(in);
        return;
    }
    Converters& cv = ThreadConverters();
    if (cv.utf8) {
        out = DecodeUtf8(in);
        return;
    }
    if (!cv.singleByte) {
        out = cv.DecodeMultibyte(in);
        return;
    }
    out.clear();
    out.reserve(length * 2);
    for (char c : in) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else
            out += cv.byteText[b - 0x80];
    }
}

namespace {

// Encodes the longest prefix of whole characters of text that fits in width bytes, handing
// put the bytes of each character in turn; returns that prefix's length in text.
template <typename Put> std::size_t EncodePrefix(std::string_view text, std::size_t width, Put put)
{
    // ASCII stays as it is in every code page accepted, a byte a character: a text of it
    // alone is simply cut to the width.
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) {
        const std::size_t length = std::min(text.size(), width);
        put(text.substr(0, length));
        return length;
    }
    Converters& cv = ThreadConverters();
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t n = Utf8CharAt(text, i);
        std::string bytes;
        if (const int raw = RawByteAt(text, i); raw >= 0) {
            bytes = std::string(1, static_cast<char>(raw));
        } else if (n == 0) {
            n = 1;
            bytes = "?";
        } else if (n == 1 || cv.utf8) {
            bytes = text.substr(i, n);
        } else if (const int byte = cv.ByteOf(text.substr(i, n)); byte >= 0) {
            bytes = std::string(1, static_cast<char>(byte));
        } else if (!ConvertOne(cv.encodeExact, &text[i], n, bytes)
            && !ConvertOne(cv.encode, &text[i], n, bytes)) {
            bytes = "?";
        }
        if (used + bytes.size() > width)
            break;
        put(std::string_view(bytes));
        used += bytes.size();
        i += n;
    }
    return i;
}

} // namespace

std::string TagCodePage::Encode(const std::string& text, std::size_t width, std::string* fitted)
{
    std::string out;
    const std::size_t length
        = EncodePrefix(text, width, [&out](std::string_view bytes) { out += bytes; });
    if (fitted)
        *fitted = text.substr(0, length);
    return out;
}

std::size_t TagCodePage::EncodeTo(std::string_view text, std::size_t width, char* out)
{
    return EncodePrefix(text, width, [&out](std::string_view bytes) {
        std::memcpy(out, bytes.data(), bytes.size());
        out += bytes.size();
    });
}

bool TagCodePage::Holds(std::string_view character)
{
    if (character.empty() || static_cast<unsigned char>(character[0]) < 0x80
        || RawByteAt(character, 0) >= 0)
        return true;
    const std::size_t n = Utf8CharAt(character, 0);
    if (n == 0)
        return false;
    Converters& cv = ThreadConverters();
    std::string bytes;
    return cv.utf8 || ConvertOne(cv.encodeExact, character.data(), n, bytes);
}
