#include "platform/codepage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <iconv.h>
#include <mutex>

namespace {

std::mutex g_nameMutex;
std::string g_strCodePage = "windows-1250";
std::atomic<unsigned> g_nGeneration {1};

bool IsUtf8Name(const std::string& name)
{
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower == "utf-8" || lower == "utf8";
}

// iconv descriptors are not safe to share between threads: each thread keeps its own pair,
// reopened when the code page changes.
struct Converters {
    unsigned generation = 0;
    std::string name;
    bool utf8 = false;
    iconv_t decode = reinterpret_cast<iconv_t>(-1);
    iconv_t encode = reinterpret_cast<iconv_t>(-1);
    iconv_t encodeExact = reinterpret_cast<iconv_t>(-1);

    ~Converters() { CloseAll(); }

    void CloseAll()
    {
        for (iconv_t* cd : {&decode, &encode, &encodeExact}) {
            if (*cd != reinterpret_cast<iconv_t>(-1))
                iconv_close(*cd);
            *cd = reinterpret_cast<iconv_t>(-1);
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
    }
};

Converters& ThreadConverters()
{
    thread_local Converters converters;
    converters.Refresh();
    return converters;
}

constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

// Length of the UTF-8 character starting with lead byte b, 0 for a byte that cannot start one.
std::size_t Utf8Length(unsigned char b)
{
    if (b < 0x80)
        return 1;
    if ((b & 0xE0) == 0xC0)
        return 2;
    if ((b & 0xF0) == 0xE0)
        return 3;
    if ((b & 0xF8) == 0xF0)
        return 4;
    return 0;
}

bool IsValidUtf8Char(const std::string& text, std::size_t i, std::size_t length)
{
    if (length == 0 || i + length > text.size())
        return false;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return false;
    }
    return true;
}

std::string DecodeUtf8(const char* bytes, std::size_t length)
{
    std::string in(bytes, length);
    std::string out;
    for (std::size_t i = 0; i < in.size();) {
        std::size_t n = Utf8Length(static_cast<unsigned char>(in[i]));
        if (IsValidUtf8Char(in, i, n)) {
            out.append(in, i, n);
            i += n;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

// Converts one character; false when the code page has no form for it.
bool ConvertOne(iconv_t cd, const char* in, std::size_t length, std::string& out)
{
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[32];
    char* inPtr = const_cast<char*>(in);
    std::size_t inLeft = length;
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return false;
    std::size_t written = sizeof buffer - outLeft;
    // glibc writes '?' for characters it cannot transliterate; a lone '?' for a non-'?' input
    // is still an acceptable stand-in.
    if (written == 0)
        return false;
    out.assign(buffer, written);
    return true;
}

} // namespace

bool TagCodePage::Set(const std::string& name, std::string* error)
{
    if (name.empty() || (!IsUtf8Name(name) && [&] {
            iconv_t a = iconv_open("UTF-8", name.c_str());
            iconv_t b = iconv_open(name.c_str(), "UTF-8");
            bool bad = a == reinterpret_cast<iconv_t>(-1) || b == reinterpret_cast<iconv_t>(-1);
            if (a != reinterpret_cast<iconv_t>(-1))
                iconv_close(a);
            if (b != reinterpret_cast<iconv_t>(-1))
                iconv_close(b);
            return bad;
        }())) {
        if (error)
            *error = "unknown code page: " + name;
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
    bool ascii = true;
    for (std::size_t i = 0; i < length && ascii; ++i)
        ascii = static_cast<unsigned char>(bytes[i]) < 0x80;
    if (ascii)
        return std::string(bytes, length);

    Converters& cv = ThreadConverters();
    if (cv.utf8)
        return DecodeUtf8(bytes, length);

    if (cv.decode == reinterpret_cast<iconv_t>(-1))
        return DecodeUtf8(bytes, length);
    iconv(cv.decode, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char buffer[256];
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t result = iconv(cv.decode, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // A byte the code page does not define (or a cut sequence): show U+FFFD, go on.
            out += kReplacement;
            ++in;
            --inLeft;
            iconv(cv.decode, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::string TagCodePage::Encode(const std::string& text, std::size_t width, std::string* fitted)
{
    // ASCII stays as it is in every code page (see below), a byte a character: a text of it
    // alone is simply cut to the width.
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) {
        std::string out = text.substr(0, std::min(text.size(), width));
        if (fitted)
            *fitted = out;
        return out;
    }
    Converters& cv = ThreadConverters();
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        std::size_t n = Utf8Length(b);
        std::string bytes;
        if (!IsValidUtf8Char(text, i, n)) {
            n = 1;
            bytes = "?";
        } else if (n == 1 || cv.utf8) {
            bytes = text.substr(i, n);
        } else if (!ConvertOne(cv.encodeExact, &text[i], n, bytes)
            && !ConvertOne(cv.encode, &text[i], n, bytes)) {
            bytes = "?";
        }
        if (out.size() + bytes.size() > width)
            break;
        out += bytes;
        i += n;
    }
    if (fitted)
        *fitted = text.substr(0, i);
    return out;
}
