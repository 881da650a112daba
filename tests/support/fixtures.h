#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Helpers shared by the tests: temporary folders, whole-file reads and writes, trailer bytes
// and MP3 data.

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path + "/" + name.
    std::string operator/(const std::string& name) const;

private:
    std::string m_path;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
void MakeFolder(const std::string& path);
// The names in a folder, sorted (hidden ones included); empty when it cannot be read.
std::vector<std::string> FilesIn(const std::string& folder);
// Points HOME, XDG_CONFIG_HOME and XDG_DATA_HOME into home, so that settings and the trash
// start empty.
void UseFreshHome(const TempDir& home);

// A 128-byte ID3v1 trailer from raw field bytes (no code page conversion): each field copied
// and NUL-padded (or cut) to its width.
std::string Id3v1Bytes(const std::string& title, const std::string& artist,
    const std::string& album, const std::string& year, const std::string& comment,
    std::uint8_t genre);

// Deterministic bytes that look like MPEG audio frames (0xFF 0xFB ...), size bytes long.
std::string FakeAudio(std::size_t size);

// True when the program can be found on PATH.
bool HaveProgram(const std::string& name);
// Runs a shell command; returns its exit status.
int RunCommand(const std::string& command);
// A real MP3 file made by sox and lame (a sine tone, CBR 128 kbit/s, no tag), cached per
// process; empty when the tools are missing. seconds > 0.
std::string ToneMp3Bytes(double seconds = 1.0);
// Quotes text for a POSIX shell.
std::string ShellQuote(const std::string& text);
