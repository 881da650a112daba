#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One named value of a registry key as the export format stores it.
struct RegValue {
    enum class Type {
        String, // "Name"="text"
        Dword, // "Name"=dword:000000c8
        Raw, // any hex form ("Name"=hex:01,02 or hex(7):...), kept as written
    };

    std::string m_strName; // empty for the default value, written as @
    Type m_type = Type::String;
    std::string m_strText; // String: the text; Raw: everything after '=' on one line
    std::uint32_t m_nDword = 0;

    static RegValue String(std::string name, std::string text);
    static RegValue Dword(std::string name, std::uint32_t value);

    // The bytes a program reading the value receives: a string's bytes with the terminator,
    // a DWORD's four bytes little-endian, a hex form's bytes. Empty optional when a Raw text
    // does not hold valid hex data.
    std::optional<std::string> Bytes() const;

    bool operator==(const RegValue&) const = default;
};

// One key, "[HKEY_CURRENT_USER\Sonivar]", with its values in file order. Names compare
// without regard to ASCII case, as the registry does.
struct RegKey {
    std::string m_strPath;
    std::vector<RegValue> m_values;

    const RegValue* Find(std::string_view name) const;
    // Replaces the value of the same name in place, or appends it.
    void Set(RegValue value);

    bool operator==(const RegKey&) const = default;
};

// The text of a registry export ("Windows Registry Editor Version 5.00" and its keys), as pure
// functions over text plus the file I/O around them.
class RegFile {
public:
    enum class LoadResult { Loaded, Missing, Unreadable, Malformed };

    // Files larger than this are not read (they are no settings file of ours).
    static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

    // Parses an export; empty optional for anything malformed. Accepts a UTF-8 byte order mark,
    // CRLF or LF line ends, ";" comments, "REGEDIT4" as header and hex data continued over
    // lines with a trailing backslash. A key or value met twice merges into the first.
    static std::optional<RegFile> Parse(std::string_view text);
    // Writes the export with LF line ends; Parse(Render()) gives back an equal RegFile.
    std::string Render() const;

    // Reads and parses the file at path. *error receives errno for Missing and Unreadable.
    static LoadResult Load(const std::string& path, RegFile& out, int* error = nullptr);
    // Replaces the file at path atomically with Render(): a temporary file in the same folder,
    // written, flushed to the disk and renamed over it, then the folder flushed. A symbolic link
    // at path is followed and its target replaced. On failure the old file stays as it was, no
    // temporary file remains, false is returned and *error receives errno.
    bool Save(const std::string& path, int* error = nullptr) const;

    RegKey* FindKey(std::string_view path);
    const RegKey* FindKey(std::string_view path) const;
    // The key of that path, added empty at the end when missing.
    RegKey& AddKey(const std::string& path);

    bool operator==(const RegFile&) const = default;

    std::vector<RegKey> m_keys;
};
