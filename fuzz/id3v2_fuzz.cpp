// The ID3v2 header walk and the removal on a real temporary file: the result is always the
// original file or a tail of it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "model/id3v2.h"
#include "model/mp3file.h"

namespace {

std::string TempPath()
{
    static const std::string path = "/tmp/sonivar-fuzz-" + std::to_string(getpid()) + ".mp3";
    return path;
}

std::string ReadAll(const std::string& path)
{
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        std::abort();
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out.append(buffer, n);
    std::fclose(f);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size >= kId3v2HeaderSize)
        Id3v2TagSize(data);
    const std::string path = TempPath();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CMp3File mp3;
    mp3.Load(path, CMp3File::kForUpdate);
    if (!mp3.RemoveId3v2())
        std::abort();
    const std::string original(reinterpret_cast<const char*>(data), size);
    const std::string result = ReadAll(path);
    if (result.size() > original.size()
        || original.compare(original.size() - result.size(), result.size(), result) != 0)
        std::abort();
    if (result.size() < original.size() && result.empty())
        std::abort(); // never cut a file down to nothing
    unlink(path.c_str());
    return 0;
}
