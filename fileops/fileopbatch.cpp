#include "fileops/fileopbatch.h"

#include <cstring>
#include <memory>

#include "platform/shellui.h"

namespace {

CFileOpBatch::ShellOperation g_pShellOperation = &SHFileOperationA;

// Stands in for the user when a batch has no owner: no windows, every confirmation declined,
// so nothing is replaced, created or deleted that would have needed a Yes.
class DecliningShellUi final : public ShellUi {
public:
    void BeginProgress(const std::string&) override { }
    void StepProgress(const std::string&, int, int) override { }
    bool IsCancelRequested() override { return false; }
    void EndProgress() override { }
    Answer ConfirmReplace(const std::string&, const std::string&) override { return Answer::No; }
    Answer ConfirmCreateFolder(const std::string&) override { return Answer::No; }
    Answer ConfirmDelete(const std::vector<std::string>&, bool, const std::string&) override
    {
        return Answer::Cancel;
    }
    bool ShowError(const std::string&, const std::string&, bool) override { return true; }
};

bool IsKnownOperation(unsigned wFunc)
{
    return wFunc == FO_MOVE || wFunc == FO_COPY || wFunc == FO_DELETE || wFunc == FO_RENAME;
}

// An empty path or one holding a NUL would end the double-NUL list early and pair the
// remaining sources with the wrong destinations.
bool AllListable(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        if (path.empty() || path.find('\0') != std::string::npos)
            return false;
    }
    return true;
}

} // namespace

CFileOpBatch::CFileOpBatch()
{
    Clear();
}

void CFileOpBatch::Clear()
{
    m_sources.clear();
    m_destinations.clear();
    m_bReady = false;
    m_bStarted = false;
    m_title.clear();
    m_op = SHFILEOPSTRUCTA {};
}

bool CFileOpBatch::AddSource(const std::string& path)
{
    m_sources.push_back(path);
    return true;
}

bool CFileOpBatch::AddDestination(const std::string& path)
{
    m_destinations.push_back(path);
    return true;
}

void CFileOpBatch::SetOperation(unsigned wFunc, ShellUi* owner, bool silent, bool allowUndo,
    bool filesOnly, bool noConfirmation, bool noConfirmMkDir, bool renameOnCollision,
    bool simpleProgress)
{
    FILEOP_FLAGS flags = 0;
    if (silent)
        flags |= FOF_SILENT;
    if (allowUndo)
        flags |= FOF_ALLOWUNDO;
    if (filesOnly)
        flags |= FOF_FILESONLY;
    if (noConfirmation)
        flags |= FOF_NOCONFIRMATION;
    if (noConfirmMkDir)
        flags |= FOF_NOCONFIRMMKDIR;
    if (renameOnCollision)
        flags |= FOF_RENAMEONCOLLISION;
    if (simpleProgress)
        flags |= FOF_SIMPLEPROGRESS;
    SetOperationFlags(wFunc, owner, flags);
}

void CFileOpBatch::SetOperationFlags(unsigned wFunc, ShellUi* owner, FILEOP_FLAGS flags)
{
    m_op.wFunc = wFunc;
    m_op.hwnd = owner;
    m_op.fFlags = flags;
    m_bReady = true;
}

void CFileOpBatch::SetTitle(const std::string& title)
{
    m_title = title;
}

bool CFileOpBatch::Execute(bool* pStarted, int* pResult, bool* pAborted)
{
    m_bStarted = false;
    if (pStarted)
        *pStarted = false;
    if (!m_bReady || !IsKnownOperation(m_op.wFunc) || m_sources.empty())
        return false;
    const bool deleting = m_op.wFunc == FO_DELETE;
    if (!deleting) {
        if (m_destinations.empty())
            return false;
        if (m_destinations.size() > 1 && m_destinations.size() != m_sources.size())
            return false;
    }
    if (!AllListable(m_sources) || (!deleting && !AllListable(m_destinations)))
        return false;

    // The buffers live only for the call; a failed allocation throws std::bad_alloc to the
    // command's caller.
    const auto from = std::make_unique<char[]>(ListBufferSize(m_sources));
    FillListBuffer(from.get(), m_sources);
    std::unique_ptr<char[]> to;
    if (!deleting) {
        to = std::make_unique<char[]>(ListBufferSize(m_destinations));
        FillListBuffer(to.get(), m_destinations);
    }
    m_op.pFrom = from.get();
    m_op.pTo = to.get();
    m_op.lpszProgressTitle = m_title.c_str();
    if (!deleting && m_destinations.size() > 1)
        m_op.fFlags |= FOF_MULTIDESTFILES;

    m_bStarted = true;
    if (pStarted)
        *pStarted = true;
    DecliningShellUi nobody;
    ShellUi& ui = m_op.hwnd ? *static_cast<ShellUi*>(m_op.hwnd) : nobody;
    const int result = g_pShellOperation(&m_op, ui);
    if (pResult)
        *pResult = result;
    if (pAborted)
        *pAborted = m_op.fAnyOperationsAborted;

    // The buffers go away with this call: leave no pointer to them behind.
    m_op.pFrom = nullptr;
    m_op.pTo = nullptr;
    return result == 0;
}

void CFileOpBatch::SetShellOperation(ShellOperation operation)
{
    g_pShellOperation = operation ? operation : &SHFileOperationA;
}

std::size_t CFileOpBatch::ListBufferSize(const std::vector<std::string>& paths)
{
    std::size_t size = 1;
    for (const std::string& path : paths)
        size += path.size() + 1;
    return size;
}

void CFileOpBatch::FillListBuffer(char* buffer, const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
        buffer += path.size() + 1;
    }
    *buffer = '\0';
}
