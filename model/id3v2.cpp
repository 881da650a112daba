#include "model/id3v2.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/atomicfile.h"
#include "platform/file.h"

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

// Streams length bytes of from, starting at offset, into to; 0 or an errno.
int CopyRange(CFile& from, std::int64_t offset, std::int64_t length, AtomicFile& to)
{
    std::vector<char> buffer(kCopyChunk);
    std::int64_t done = 0;
    while (done < length) {
        std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), length - done));
        std::size_t got = from.ReadAt(buffer.data(), want, offset + done);
        if (got == 0)
            return EIO;
        if (int error = to.Write(buffer.data(), got))
            return error;
        done += static_cast<std::int64_t>(got);
    }
    return 0;
}

// Rewrites the file without its first cut bytes into a new file that takes its place once
// complete; the original stays untouched on any failure or interruption. 0 or an errno.
int RewriteWithoutHead(const std::string& path, CFile& original, std::int64_t cut,
    std::int64_t length, const struct stat& st)
{
    AtomicFile out;
    if (int error = out.Create(path))
        return error;
    if (int error = CopyRange(original, cut, length - cut, out))
        return error;
    if (::fchmod(out.Handle(), st.st_mode & 07777) != 0)
        return errno;
    if (::fchown(out.Handle(), st.st_uid, st.st_gid) != 0) {
        // Only root may give the file away; keeping our ownership is acceptable.
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.Handle(), times);
    return out.Commit(true);
}

} // namespace

std::uint64_t Id3v2TagSize(const std::uint8_t* header)
{
    if (header[0] != 'I' || header[1] != 'D' || header[2] != '3')
        return 0;
    if (header[3] == 0xFF || header[4] == 0xFF)
        return 0;
    std::uint64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (header[i] & 0x80)
            return 0;
        size = (size << 7) | header[i];
    }
    const bool footer = header[3] == 4 && (header[5] & 0x10);
    return kId3v2HeaderSize + size + (footer ? kId3v2HeaderSize : 0);
}

std::int64_t Id3v2HeadSize(CFile& file, std::int64_t length)
{
    std::int64_t end = 0;
    while (end + static_cast<std::int64_t>(kId3v2HeaderSize) <= length) {
        std::uint8_t header[kId3v2HeaderSize];
        if (file.ReadAt(header, sizeof header, end) != sizeof header)
            break;
        std::uint64_t size = Id3v2TagSize(header);
        if (size == 0
            || static_cast<std::uint64_t>(end) + size >= static_cast<std::uint64_t>(length))
            break;
        end += static_cast<std::int64_t>(size);
    }
    return end;
}

int RemoveId3v2Head(CFile& file, const std::string& path)
{
    // Work on the file a symbolic link points at, so the link stays a link.
    char resolved[PATH_MAX];
    struct stat st;
    if (!::realpath(path.c_str(), resolved) || ::fstat(file.Handle(), &st) != 0)
        return errno;
    // A rewrite of this file that an interruption cut short is finished before it is read.
    if (int error = AtomicFile::FinishInterruptedRewrite(resolved, file.Handle()))
        return error;
    if (::fstat(file.Handle(), &st) != 0)
        return errno;
    try {
        const std::int64_t length = st.st_size;
        const std::int64_t cut = Id3v2HeadSize(file, length);
        if (cut == 0)
            return 0;
        if (st.st_nlink == 1)
            return RewriteWithoutHead(resolved, file, cut, length, st);
        // A new file in its place would leave the old bytes under the other names: the new
        // bytes are copied over this one, through a journal that survives an interruption.
        const int error = AtomicFile::RewriteInPlace(resolved, file.Handle(),
            [&](AtomicFile& out) { return CopyRange(file, cut, length - cut, out); });
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(file.Handle(), times);
        return error;
    } catch (const CFileException& error) {
        return error.m_lOsError;
    } catch (const CException&) {
        return EIO;
    }
}
