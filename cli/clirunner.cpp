#include "cli/clirunner.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/cliargs.h"
#include "cli/clicommands.h"
#include "cli/clishellui.h"
#include "cli/cliui.h"
#include "cli/dryrunshell.h"
#include "fileops/fileopbatch.h"
#include "load/addfiles.h"
#include "load/codepagecommand.h"
#include "load/loadfolder.h"
#include "platform/codepage.h"
#include "platform/path.h"
#include "res/resource.h"
#include "session/batch.h"
#include "session/session.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Set by Ctrl+C or a termination request; the file operations stop before their next item.
std::atomic<bool> g_bInterrupted {false};

void RaiseCancel(int)
{
    g_bCancelScan.store(true);
    g_bInterrupted.store(true);
}

// Ctrl+C (or a termination request) while the paths are walked ends the walk at the next
// entry; nothing has been changed by then. The file operations keep it while they run, so a
// copy is never left half written; the tag commands get the default action back.
class CancelOnSignal {
public:
    CancelOnSignal()
    {
        struct sigaction action { };
        action.sa_handler = RaiseCancel;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~CancelOnSignal()
    {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    CancelOnSignal(const CancelOnSignal&) = delete;
    CancelOnSignal& operator=(const CancelOnSignal&) = delete;

private:
    struct sigaction m_oldInt { };
    struct sigaction m_oldTerm { };
};

// The count of a load on standard error, when that is a terminal; erased when the load is over.
class LoadCounter final : public LoadView {
public:
    explicit LoadCounter(std::FILE* err) : m_pErr(err), m_bTerminal(isatty(fileno(err)) == 1) { }
    ~LoadCounter() override
    {
        if (m_bShown)
            std::fprintf(m_pErr, "\r\033[K");
    }

    void ShowProgress(const ScanWorker::Progress& progress) override
    {
        if (!m_bTerminal)
            return;
        std::fprintf(m_pErr, "\rsonivar-cli: loading... %d files", progress.m_nLoaded);
        std::fflush(m_pErr);
        m_bShown = true;
    }
    // No window waits for the rows: fewer, larger batches cost less to sort into the list.
    std::size_t BatchRows() const override { return 1024; }

private:
    std::FILE* m_pErr;
    bool m_bTerminal;
    bool m_bShown = false;
};

void PrintUsageError(std::FILE* err, const std::string& message)
{
    std::fprintf(err, "sonivar-cli: %s\n%s", message.c_str(), CliUsage().c_str());
}

// The code page: --codepage, else the setting "CodePage", else the default. A bad setting is
// only warned about, as other settings that cannot be read fall back to their defaults.
bool ChooseCodePage(const CliArgs& args, std::FILE* err)
{
    std::string error;
    if (args.m_bCodePageGiven) {
        if (TagCodePage::Set(args.m_strCodePage, &error))
            return true;
        PrintUsageError(err, error);
        return false;
    }
    if (!ApplySavedCodePage(&error))
        std::fprintf(err, "sonivar-cli: setting CodePage: %s, using %s\n", error.c_str(),
            TagCodePage::Name().c_str());
    return true;
}

// The FOLDER of copy and the moves names an existing folder, as the picker would give.
bool CheckFolderArgument(const CliArgs& args, std::FILE* err)
{
    if (args.m_pCommand->cliArgument != CliArgument::Folder)
        return true;
    const std::string& folder = args.m_arguments[0];
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) {
        PrintUsageError(err, folder + ": " + std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        PrintUsageError(err, folder + ": " + std::strerror(ENOTDIR));
        return false;
    }
    return true;
}

// A PATH as the rows hold it: absolute, as the folder picker gives folders (a relative one is
// taken under the current folder), without "." components and without repeated or trailing
// slashes. ".." stays, as a symbolic link before it decides where it leads.
std::string AbsolutePath(const std::string& path)
{
    std::string whole = path;
    if (!path.starts_with('/')) {
        std::vector<char> cwd(4096);
        while (!::getcwd(cwd.data(), cwd.size())) {
            if (errno != ERANGE)
                return path;
            cwd.resize(cwd.size() * 2);
        }
        whole = std::string(cwd.data()) + "/" + path;
    }
    std::string result;
    for (std::size_t start = 0; start < whole.size();) {
        std::size_t end = whole.find('/', start);
        if (end == std::string::npos)
            end = whole.size();
        const std::string_view part(whole.data() + start, end - start);
        if (!part.empty() && part != ".")
            (result += '/') += part;
        start = end + 1;
    }
    return result.empty() ? "/" : result;
}

// A dry run for the life of the scope: the commands' previews and the shell operation's items
// go to out, one line each, and nothing is changed.
class DryRunScope {
public:
    DryRunScope(Session& session, bool on, std::FILE* out) : m_bOn(on)
    {
        if (!m_bOn)
            return;
        session.m_onPreview
            = [out](const std::string& line) { std::fprintf(out, "%s\n", line.c_str()); };
        SetDryRunOutput(out);
        CFileOpBatch::SetShellOperation(DryRunShellOperation);
    }
    ~DryRunScope()
    {
        if (m_bOn)
            CFileOpBatch::SetShellOperation(nullptr);
    }
    DryRunScope(const DryRunScope&) = delete;
    DryRunScope& operator=(const DryRunScope&) = delete;

private:
    bool m_bOn;
};

struct Loaded {
    std::vector<std::string> m_files;
    int m_nFailures = 0;
};

// Sorts every PATH into a folder to walk (its rows go to sink, with or without their tags) or a
// file to take; reports paths that are neither.
Loaded LoadPaths(
    const std::vector<std::string>& paths, ScanSink& sink, TagReads reads, std::FILE* err)
{
    Loaded loaded;
    auto fail = [&](const std::string& path, const std::string& reason) {
        std::fprintf(err, "sonivar-cli: %s: %s\n", path.c_str(), reason.c_str());
        ++loaded.m_nFailures;
    };
    for (const std::string& path : paths) {
        if (g_bCancelScan.load())
            break;
        struct stat st;
        if (path.empty() || ::stat(path.c_str(), &st) != 0) {
            fail(path, std::strerror(path.empty() ? ENOENT : errno));
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            // The walk passes over folders it cannot open; the named folder itself is reported.
            if (DIR* dir = ::opendir(path.c_str())) {
                ::closedir(dir);
            } else {
                fail(path, std::strerror(errno));
                continue;
            }
            ScanFolder(AbsolutePath(path), sink, kTrailerReaders, kDiskReadTime, reads);
        } else if (S_ISREG(st.st_mode)) {
            loaded.m_files.push_back(AbsolutePath(path));
        } else {
            // A pipe or a device would block or never end when its "trailer" is read.
            fail(path, "not a regular file or folder");
        }
    }
    return loaded;
}

} // namespace

int RunCli(const std::vector<std::string>& words, std::FILE* out, std::FILE* err)
{
    const CliParseResult parsed = ParseCliArgs(words);
    if (!parsed.m_bOk) {
        PrintUsageError(err, parsed.m_strError);
        return kExitUsage;
    }
    const CliArgs& args = parsed.m_args;
    if (args.m_bHelp || args.m_bVersion) {
        std::fputs(args.m_bHelp ? CliUsage().c_str() : "sonivar-cli " SONIVAR_VERSION "\n", out);
        return std::fflush(out) == 0 ? kExitOk : kExitFailed;
    }
    if (!ChooseCodePage(args, err) || !CheckFolderArgument(args, err))
        return kExitUsage;

    CliUi ui(args, err);
    Session session(ui);
    // The run ends with its one command: there is no Undo to keep snapshots for.
    session.Journal().KeepNothing();
    g_bInterrupted.store(false);
    CliShellUi shellUi(args.m_bYes, err, g_bInterrupted);
    session.SetShell(&shellUi);
    SetBatchPause(false);
    DryRunScope dryRun(session, args.m_bDryRun, out);
    int failures = 0;
    SetRowFailureHandler([&](const std::string& path, const std::string& reason) {
        std::fprintf(err, "sonivar-cli: %s: %s\n", path.c_str(), reason.c_str());
        ++failures;
    });

    {
        CancelOnSignal cancel;
        TrackList& list = session.List();
        list.SetRedraw(false);
        Loaded loaded;
        const TagReads reads = args.m_pCommand->bReadsTagCells ? TagReads::kRead : TagReads::kSkip;
        {
            LoadCounter counter(err);
            LoadRows(list, counter,
                [&](ScanSink& sink) { loaded = LoadPaths(args.m_paths, sink, reads, err); });
        }
        failures += loaded.m_nFailures;
        if (g_bInterrupted.load()) {
            std::fprintf(err, "sonivar-cli: interrupted while loading; nothing was changed\n");
            SetRowFailureHandler(nullptr);
            return kExitInterrupted;
        }
        if (!loaded.m_files.empty())
            AddFilesToList(session, loaded.m_files);
        list.SetRedraw(true);
        list.SelectAll();
    }

    std::optional<CancelOnSignal> cancel;
    if (args.m_pCommand->cliArgument == CliArgument::Folder || args.m_pCommand->nId == ID_DELETE)
        cancel.emplace();
    const bool ran = RunCliCommand(session, args, out, err);
    cancel.reset();
    SetRowFailureHandler(nullptr);
    if (g_bInterrupted.load())
        return kExitInterrupted;
    if (!ran || failures > 0 || ui.ProblemCount() > 0 || shellUi.ProblemCount() > 0)
        return kExitFailed;
    return kExitOk;
}
