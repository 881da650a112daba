#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "platform/regfile.h"

// Names of the values of the program's key.
inline constexpr char kValueLeft[] = "Left";
inline constexpr char kValueTop[] = "Top";
inline constexpr char kValueRight[] = "Right";
inline constexpr char kValueBottom[] = "Bottom";
inline constexpr char kValueZoom[] = "Zoom";
inline constexpr char kValueLastOpen[] = "LastOpen";
inline constexpr char kValueCopyFolder[] = "CopyFolder";
inline constexpr char kValueCodePage[] = "CodePage";

// The key's path inside the file.
inline constexpr char kSettingsKeyPath[] = "HKEY_CURRENT_USER\\Sonivar";

// "W0" to "W7": the saved width of the track list column of that index.
std::string WidthValueName(int column);

// ${XDG_CONFIG_HOME:-$HOME/.config}/Sonivar/Sonivar.reg (a relative XDG_CONFIG_HOME is ignored,
// as the XDG base directory rules say). Read anew at every call. Empty when no home is known.
std::string SettingsFilePath();

// One open handle of the program's settings key, the file SettingsFilePath(). The key exists
// exactly while that file exists and parses and holds the key.
//
// Reads see the file as it was at Open or Create, plus the values set through this handle.
// Values set are written together when the handle is flushed or closed (the main window sets
// about thirteen values at once): under an exclusive lock on "Sonivar.reg.lock" beside the file,
// the file is read again, the values set through this handle replace theirs and the file is
// replaced atomically, so that two programs saving at once both keep their values and the file
// stays whole.
class CSettingsKey {
public:
    CSettingsKey() = default;
    ~CSettingsKey();
    CSettingsKey(const CSettingsKey&) = delete;
    CSettingsKey& operator=(const CSettingsKey&) = delete;

    // Opens the existing key; false when the file is missing, unreadable, malformed or lacks the
    // key. Creates nothing.
    bool Open();
    // Opens the key, creating the folder, the file and the key as needed. A malformed file is
    // first moved aside to "Sonivar.reg.bad" (or ".bad.1", ".bad.2", ... when that exists) and
    // a new file started; a file that cannot be read is never replaced: Create fails.
    bool Create();

    // False without a handle, when the value is missing, and when it is not exactly four bytes.
    // The value's type is not examined: any four bytes read as a little-endian number.
    bool QueryDword(const std::string& name, std::uint32_t& value) const;
    // False without a handle, when the value is missing, and when its bytes with the terminator
    // exceed 260 (a text longer than 259 bytes). The text ends at the first NUL.
    bool QueryString(const std::string& name, std::string& value) const;
    // False, with no effect, without a handle. A name or text ends at its first NUL.
    bool SetDword(const std::string& name, std::uint32_t value);
    bool SetString(const std::string& name, const std::string& value);

    // Writes the values set since the last flush (see above). False when the save failed; the
    // file then stays as it was. Also false when the key was deleted meanwhile (the file removed,
    // broken or without the key): a deleted key is not brought back. False without a handle.
    bool Flush();
    // Flushes, then forgets the handle. 0 on success and when nothing was open, otherwise the
    // errno of the failed save.
    int Close();
    bool IsOpen() const { return m_bOpen; }

private:
    static constexpr std::size_t kStringBufferSize = 260;

    // The bytes of the value of that name; nothing without a handle or such a value.
    std::optional<std::string> StoredBytes(const std::string& name) const;
    // The save behind Flush and Close: 0 or an errno.
    int FlushPending();

    bool m_bOpen = false;
    std::string m_strPath;
    RegKey m_key; // the values as read, with this handle's changes
    std::set<std::string> m_pendingNames; // names set since the last flush, lower case
};
