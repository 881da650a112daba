#include "platform/regfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/atomicfile.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/strutil.h"

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool StartsNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// 1 to 8 hex digits, nothing else.
std::optional<std::uint32_t> ParseHex32(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return value;
}

// Comma-separated byte pairs ("01,ff, 2a"); empty data is no bytes.
std::optional<std::string> ParseHexBytes(std::string_view data)
{
    std::string bytes;
    data = TrimBlanks(data);
    if (data.empty())
        return bytes;
    while (true) {
        std::size_t comma = data.find(',');
        std::string_view pair = TrimBlanks(data.substr(0, comma));
        if (pair.size() != 2 || HexDigit(pair[0]) < 0 || HexDigit(pair[1]) < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(HexDigit(pair[0]) * 16 + HexDigit(pair[1])));
        if (comma == std::string_view::npos)
            return bytes;
        data.remove_prefix(comma + 1);
    }
}

// Splits a hex form ("hex:..." or "hex(7):...") into its data; empty optional when the text
// is no hex form.
std::optional<std::string_view> HexData(std::string_view text)
{
    if (!StartsNoCase(text, "hex"))
        return std::nullopt;
    text.remove_prefix(3);
    if (!text.empty() && text.front() == '(') {
        std::size_t close = text.find(')');
        if (close == std::string_view::npos || !ParseHex32(text.substr(1, close - 1)))
            return std::nullopt;
        text.remove_prefix(close + 1);
    }
    if (text.empty() || text.front() != ':')
        return std::nullopt;
    text.remove_prefix(1);
    return text;
}

// Reads a quoted text starting at text[pos] == '"'; pos moves past the closing quote.
// \\ and \" stand for themselves, \n, \r and \0 for LF, CR and NUL; any other backslash is
// kept as it stands, the way hand-written Windows paths ("C:\Music") mean it.
std::optional<std::string> ParseQuoted(std::string_view text, std::size_t& pos)
{
    std::string out;
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"')
            return out;
        if (c != '\\' || pos >= text.size()) {
            out.push_back(c);
            continue;
        }
        char next = text[pos];
        switch (next) {
        case '\\':
        case '"':
            out.push_back(next);
            ++pos;
            break;
        case 'n':
            out.push_back('\n');
            ++pos;
            break;
        case 'r':
            out.push_back('\r');
            ++pos;
            break;
        case '0':
            out.push_back('\0');
            ++pos;
            break;
        default:
            out.push_back('\\');
            break;
        }
    }
    return std::nullopt; // no closing quote
}

// Splits text into lines at LF, each without its line end (one CR before the LF is dropped).
std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// The file a save must replace: the target of a symbolic link at path, so that a settings
// file kept elsewhere and linked into place stays linked.
std::string ReplaceTarget(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        std::string target = resolved;
        std::free(resolved);
        return target;
    }
    // A link to a file not made yet: write the file where the link points, when that folder
    // exists; otherwise the link itself is replaced.
    char buffer[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0)
        return path;
    std::string target(buffer, static_cast<std::size_t>(n));
    if (target.front() != '/')
        target = FolderOfPath(path) + "/" + target;
    struct stat folder;
    if (::stat(FolderOfPath(target).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return path;
    return target;
}

} // namespace

RegValue RegValue::String(std::string name, std::string text)
{
    RegValue value;
    value.m_strName = std::move(name);
    value.m_type = Type::String;
    value.m_strText = std::move(text);
    return value;
}

RegValue RegValue::Dword(std::string name, std::uint32_t dword)
{
    RegValue value;
    value.m_strName = std::move(name);
    value.m_type = Type::Dword;
    value.m_nDword = dword;
    return value;
}

std::optional<std::string> RegValue::Bytes() const
{
    switch (m_type) {
    case Type::String: {
        std::string bytes = m_strText;
        bytes.push_back('\0');
        return bytes;
    }
    case Type::Dword: {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<char>((m_nDword >> (8 * i)) & 0xFF);
        return bytes;
    }
    case Type::Raw:
        if (auto data = HexData(m_strText))
            return ParseHexBytes(*data);
        return std::nullopt;
    }
    return std::nullopt;
}

const RegValue* RegKey::Find(std::string_view name) const
{
    for (const RegValue& value : m_values) {
        if (EqualNoCase(value.m_strName, name))
            return &value;
    }
    return nullptr;
}

void RegKey::Set(RegValue value)
{
    for (RegValue& old : m_values) {
        if (EqualNoCase(old.m_strName, value.m_strName)) {
            value.m_strName = old.m_strName; // the first spelling of a name stays
            old = std::move(value);
            return;
        }
    }
    m_values.push_back(std::move(value));
}

RegKey* RegFile::FindKey(std::string_view path)
{
    for (RegKey& key : m_keys) {
        if (EqualNoCase(key.m_strPath, path))
            return &key;
    }
    return nullptr;
}

const RegKey* RegFile::FindKey(std::string_view path) const
{
    return const_cast<RegFile*>(this)->FindKey(path);
}

RegKey& RegFile::AddKey(const std::string& path)
{
    if (RegKey* key = FindKey(path))
        return *key;
    m_keys.push_back(RegKey {path, {}});
    return m_keys.back();
}

std::optional<RegFile> RegFile::Parse(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    const std::vector<std::string_view> lines = SplitLines(text);
    std::size_t i = 0;
    while (i < lines.size() && TrimBlanks(lines[i]).empty())
        ++i;
    if (i == lines.size())
        return std::nullopt;
    std::string_view header = TrimBlanks(lines[i++]);
    if (header != kHeader && header != kHeader4)
        return std::nullopt;

    RegFile file;
    RegKey* key = nullptr;
    for (; i < lines.size(); ++i) {
        std::string_view line = TrimBlanks(lines[i]);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (line.size() < 3 || line.back() != ']' || line[1] == '-')
                return std::nullopt;
            key = &file.AddKey(std::string(line.substr(1, line.size() - 2)));
            continue;
        }
        if (!key)
            return std::nullopt; // a value outside any key

        RegValue value;
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (line.front() == '"') {
            auto name = ParseQuoted(line, pos);
            if (!name)
                return std::nullopt;
            value.m_strName = std::move(*name);
        } else {
            return std::nullopt;
        }
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            return std::nullopt;
        ++pos;
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        std::string_view data = line.substr(pos);

        if (!data.empty() && data.front() == '"') {
            std::size_t end = 0;
            auto text = ParseQuoted(data, end);
            if (!text || end != data.size())
                return std::nullopt;
            value.m_type = RegValue::Type::String;
            value.m_strText = std::move(*text);
        } else if (StartsNoCase(data, "dword:")) {
            auto dword = ParseHex32(data.substr(6));
            if (!dword)
                return std::nullopt;
            value.m_type = RegValue::Type::Dword;
            value.m_nDword = *dword;
        } else if (HexData(data)) {
            // Long hex data continues on the next lines after a trailing backslash.
            std::string joined(data);
            while (!joined.empty() && joined.back() == '\\') {
                joined.pop_back();
                joined = std::string(TrimBlanks(joined));
                if (i + 1 >= lines.size())
                    break;
                joined += TrimBlanks(lines[++i]);
            }
            if (!ParseHexBytes(*HexData(joined)))
                return std::nullopt;
            value.m_type = RegValue::Type::Raw;
            value.m_strText = std::move(joined);
        } else {
            return std::nullopt;
        }
        key->Set(std::move(value));
    }
    return file;
}

std::string RegFile::Render() const
{
    std::string out(kHeader);
    out += "\n\n";
    for (const RegKey& key : m_keys) {
        out += '[';
        out += key.m_strPath;
        out += "]\n";
        for (const RegValue& value : key.m_values) {
            if (value.m_strName.empty())
                out += '@';
            else
                out += Quoted(value.m_strName, false);
            out += '=';
            switch (value.m_type) {
            case RegValue::Type::String:
                out += Quoted(value.m_strText, false);
                break;
            case RegValue::Type::Dword: {
                static const char digits[] = "0123456789abcdef";
                out += "dword:";
                for (int shift = 28; shift >= 0; shift -= 4)
                    out += digits[(value.m_nDword >> shift) & 0xF];
                break;
            }
            case RegValue::Type::Raw:
                out += value.m_strText;
                break;
            }
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

RegFile::LoadResult RegFile::Load(const std::string& path, RegFile& out, int* error)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); // a FIFO must not block
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (error)
            *error = errno;
        return errno == ENOENT || errno == ENOTDIR ? LoadResult::Missing : LoadResult::Unreadable;
    }
    std::string text;
    struct stat st;
    int statError = 0;
    if (::fstat(fd, &st) != 0)
        statError = errno;
    else if (!S_ISREG(st.st_mode))
        statError = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (statError != 0) {
        int e = statError;
        ::close(fd);
        if (error)
            *error = e;
        return LoadResult::Unreadable;
    }
    char buffer[16384];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            ::close(fd);
            if (error)
                *error = e;
            return LoadResult::Unreadable;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxFileSize) {
            ::close(fd);
            return LoadResult::Malformed;
        }
    }
    ::close(fd);
    auto parsed = Parse(text);
    if (!parsed)
        return LoadResult::Malformed;
    out = std::move(*parsed);
    return LoadResult::Loaded;
}

bool RegFile::Save(const std::string& path, int* error) const
{
    const std::string target = ReplaceTarget(path);
    auto fail = [&](int e) {
        if (error)
            *error = e;
        return false;
    };
    AtomicFile file;
    if (int e = file.Create(target))
        return fail(e);
    // A new settings file is the user's alone (0600); a replaced one keeps its permissions.
    struct stat old;
    if (::stat(target.c_str(), &old) == 0)
        ::fchmod(file.Handle(), old.st_mode & 07777);
    const std::string text = Render();
    if (int e = file.Write(text.data(), text.size()))
        return fail(e);
    if (int e = file.Commit(true))
        return fail(e);
    return true;
}
