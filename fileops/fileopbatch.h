#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shellop.h"

class ShellUi;

// One shell file operation over the paths of one command: the lists of sources and
// destinations, the flag word and the progress title, handed to SHFileOperationA in one call so
// that the whole selection gets one progress window and one set of confirmations. It knows
// nothing of the track list.
class CFileOpBatch {
public:
    // The call that runs a request; SHFileOperationA unless a test put another in place.
    using ShellOperation = int (*)(SHFILEOPSTRUCTA* op, ShellUi& ui);

    CFileOpBatch();
    ~CFileOpBatch() = default;
    CFileOpBatch(const CFileOpBatch&) = delete;
    CFileOpBatch& operator=(const CFileOpBatch&) = delete;

    // Empties both lists and the title, forgets the operation and zeroes the request.
    void Clear();
    // Append at the tail; always true.
    bool AddSource(const std::string& path);
    bool AddDestination(const std::string& path);
    // Sets the operation code (FO_MOVE, FO_COPY, FO_DELETE, FO_RENAME), the owner whose
    // confirmations and progress the shell uses (null: nobody to ask, so every confirmation is
    // declined) and a new flag word built from the seven choices; the lists and title stay.
    void SetOperation(unsigned wFunc, ShellUi* owner, bool silent, bool allowUndo, bool filesOnly,
        bool noConfirmation, bool noConfirmMkDir, bool renameOnCollision, bool simpleProgress);
    // As SetOperation with the flag word as given.
    void SetOperationFlags(unsigned wFunc, ShellUi* owner, FILEOP_FLAGS flags);
    void SetTitle(const std::string& title);

    // Runs the batch once. False without calling the shell when no operation is set, the code
    // is unknown, there are no sources, or (except for a delete) the destinations number
    // neither one nor the sources' count; otherwise the shell runs and the result is true
    // exactly when it returned 0. *pStarted (when given) tells whether the shell was called;
    // *pResult and *pAborted (when given) receive the shell's return code and its "any
    // operations aborted" flag, and are written only when the shell was called.
    bool Execute(bool* pStarted = nullptr, int* pResult = nullptr, bool* pAborted = nullptr);

    // The request as it stands (the flag word, the code, the owner, the title pointer). Its
    // list pointers are null outside Execute.
    const SHFILEOPSTRUCTA& Request() const { return m_op; }
    bool IsReady() const { return m_bReady; }
    bool IsStarted() const { return m_bStarted; }

    // Replaces the shell call for every batch of the process (null restores SHFileOperationA),
    // so that tests can see the exact request handed over.
    static void SetShellOperation(ShellOperation operation);

private:
    // Bytes of the double-NUL list of paths: each path with its NUL, one more NUL at the end.
    static std::size_t ListBufferSize(const std::vector<std::string>& paths);
    static void FillListBuffer(char* buffer, const std::vector<std::string>& paths);

    bool m_bReady = false;
    bool m_bStarted = false;
    std::vector<std::string> m_sources;
    std::vector<std::string> m_destinations;
    SHFILEOPSTRUCTA m_op;
    std::string m_title;
};
