#pragma once

#include <functional>
#include <string>

// A new file that takes a path's place only when it is complete: every replacement the program
// makes (ID3v2 removal, exports, the settings file, copies) is written through one. The bytes
// go into an anonymous file in the target's folder (O_TMPFILE) that is linked into place at
// Commit; where the file system has no anonymous files, into a hidden temporary name that
// always fits NAME_MAX, held under an advisory lock while it exists, and removed on Ctrl+C,
// SIGTERM and SIGHUP. Creating one first removes stale temporary files of ours from that
// folder (those whose lock no running process holds) and finishes in-place rewrites that a
// killed process left journaled there.
class AtomicFile final {
public:
    AtomicFile() = default;
    // Discards the temporary file unless it was committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Opens a temporary file for writing in path's folder. Returns 0 or an errno.
    int Create(const std::string& path);
    int Handle() const { return m_fd; }
    // Writes all count bytes; returns 0 or an errno.
    int Write(const void* buffer, std::size_t count);
    // Flushes the file and puts it at the path given to Create: over an existing file when
    // replace is true, otherwise only when the path is free (EEXIST if not). Returns 0 or an
    // errno; on failure the temporary file is gone and the path untouched.
    int Commit(bool replace);
    // Removes the temporary file; harmless after Commit or when nothing was created.
    void Discard();

    // The prefix and suffix of a named temporary file for name: "." + name (cut to fit) +
    // ".sonivar-XXXXXX", never longer than 255 bytes and never splitting a UTF-8 character.
    static std::string TemporaryPattern(const std::string& name);
    // True for a name TemporaryPattern could have made.
    static bool IsTemporaryName(const std::string& name);
    // Removes the stale temporary files of ours in folder. Returns how many were removed.
    static int RemoveStaleTemporaries(const std::string& folder);

    // Rewrites the file open as fd at path (its lock held by the caller) in place, so that every
    // hard link to it sees the change: produce writes the new contents into an AtomicFile,
    // which is kept beside the file as a journal (".sonivar-redo-INODE") before the contents
    // are copied over the file; the journal is removed once the copy is complete and flushed.
    // A copy cut short is finished by FinishInterruptedRewrite or by the next AtomicFile made in
    // that folder. Returns 0 or an errno.
    static int RewriteInPlace(
        const std::string& path, int fd, const std::function<int(AtomicFile&)>& produce);
    // Finishes a rewrite of the file open as fd at path (its lock held by the caller) that an
    // interruption cut short; 0 when there was none or it is finished, else an errno.
    static int FinishInterruptedRewrite(const std::string& path, int fd);

    // For fault tests: the process kills itself (SIGKILL) at the n-th step of any AtomicFile
    // from now on (each Write, the flush, the link and the rename are steps); 0 turns it off.
    static void KillAtStepForTesting(int step);
    // For tests: behave as on a file system without anonymous temporary files.
    static void UseNamedTemporariesForTesting(bool on);

private:
    int CreateNamed(int folderFd);
    int LinkAnonymous(const std::string& name);
    void Forget();

    int m_fd = -1;
    int m_nFolderFd = -1;
    std::string m_strPath;
    std::string m_strName;
    // The temporary file's name in the folder; empty while it is anonymous.
    std::string m_strTempName;
    int m_nSlot = -1;
};

// Marks a batch of writes on this thread (a copy or ID3v2 removal of many files): within it,
// each folder is searched for stale files of ours once, at the batch's first new file there,
// instead of at every file, which would read a folder's growing listing once per file written.
class AtomicFileBatch final {
public:
    AtomicFileBatch();
    ~AtomicFileBatch();
    AtomicFileBatch(const AtomicFileBatch&) = delete;
    AtomicFileBatch& operator=(const AtomicFileBatch&) = delete;
};

// Writes bytes to path through an AtomicFile, replacing any file there (which keeps its
// permission bits; a new file gets 0666 less the umask). Returns 0 or an errno.
int ReplaceFileContents(const std::string& path, const std::string& bytes);
