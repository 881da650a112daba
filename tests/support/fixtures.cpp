#include "support/fixtures.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <sys/wait.h>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/sonivar-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests may leave read-only folders behind; make everything writable before removing.
    for (auto it = fs::recursive_directory_iterator(m_path, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

std::string TempDir::operator/(const std::string& name) const
{
    return m_path + "/" + name;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void MakeFolder(const std::string& path)
{
    fs::create_directories(path);
}

static void AppendField(std::string& out, const std::string& text, std::size_t width)
{
    std::string field = text.substr(0, width);
    field.resize(width, '\0');
    out += field;
}

std::string Id3v1Bytes(const std::string& title, const std::string& artist,
    const std::string& album, const std::string& year, const std::string& comment,
    std::uint8_t genre)
{
    std::string out = "TAG";
    AppendField(out, title, 30);
    AppendField(out, artist, 30);
    AppendField(out, album, 30);
    AppendField(out, year, 4);
    AppendField(out, comment, 30);
    out += static_cast<char>(genre);
    return out;
}

std::string FakeAudio(std::size_t size)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        std::size_t inFrame = i % 418;
        if (inFrame == 0)
            out[i] = static_cast<char>(0xFF);
        else if (inFrame == 1)
            out[i] = static_cast<char>(0xFB);
        else if (inFrame == 2)
            out[i] = static_cast<char>(0x90);
        else
            out[i] = static_cast<char>((i * 131 + 7) % 251);
    }
    return out;
}

bool HaveProgram(const std::string& name)
{
    return RunCommand("command -v " + ShellQuote(name) + " >/dev/null 2>&1") == 0;
}

int RunCommand(const std::string& command)
{
    int status = std::system(command.c_str());
    if (status == -1)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string ToneMp3Bytes(double seconds)
{
    static std::mutex mutex;
    static std::map<double, std::string> cache;
    std::lock_guard lock(mutex);
    if (auto it = cache.find(seconds); it != cache.end())
        return it->second;
    if (!HaveProgram("sox") || !HaveProgram("lame"))
        return {};
    TempDir dir;
    std::string wav = dir / "tone.wav";
    std::string mp3 = dir / "tone.mp3";
    std::string command = "sox -n -r 44100 -c 2 -b 16 " + ShellQuote(wav) + " synth "
        + std::to_string(seconds) + " sine 440 vol 0.5 >/dev/null 2>&1 && lame --quiet -b 128 "
        + ShellQuote(wav) + " " + ShellQuote(mp3) + " >/dev/null 2>&1";
    if (RunCommand(command) != 0)
        return {};
    std::string bytes = ReadFileBytes(mp3);
    cache[seconds] = bytes;
    return bytes;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void UseFreshHome(const TempDir& home)
{
    setenv("HOME", home.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
}
