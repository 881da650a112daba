#pragma once

#include <string>
#include <vector>

// What a shell file operation may ask of the user: one progress window for the whole batch and
// the usual confirmations and error boxes. The GUI implements it with Qt dialogs, the CLI on the
// terminal, the tests with scripted answers. Every call comes from the thread that runs
// SHFileOperationA (the user-interface thread), which is busy until the operation returns, so a
// GUI implementation processes events in StepProgress and IsCancelRequested to stay responsive.
// Texts are UTF-8; paths are full paths.
class ShellUi {
public:
    virtual ~ShellUi() = default;

    // The four answers of a confirmation. YesToAll answers Yes for the rest of the batch.
    enum class Answer { Yes, YesToAll, No, Cancel };

    // Shows the progress window with the batch's title (may be empty), an empty bar and a
    // Cancel button. Not called under FOF_SILENT; then no other progress call comes either.
    virtual void BeginProgress(const std::string& title) = 0;
    // Item index (0-based) of count is about to be worked on: the bar shows index of count,
    // the window names item (empty under FOF_SIMPLEPROGRESS, which hides the file names).
    // Called once per item, in order.
    virtual void StepProgress(const std::string& item, int index, int count) = 0;
    // done of total bytes of the current item are copied: called after each block of a copy
    // (a move across file systems copies too), so one long file moves the bar as well.
    virtual void StepBytes(long long /*done*/, long long /*total*/) { }
    // True once the user has asked to cancel. Polled before each item and between the blocks
    // of a long copy; a cancelled copy is rolled back, finished items stay done.
    virtual bool IsCancelRequested() = 0;
    // Closes the progress window. Called exactly once after each BeginProgress.
    virtual void EndProgress() = 0;

    // target exists; the item would replace it with source ("Confirm File Replace").
    virtual Answer ConfirmReplace(const std::string& target, const std::string& source) = 0;
    // The destination folder does not exist; create it ("Confirm Create Folder")?
    virtual Answer ConfirmCreateFolder(const std::string& folder) = 0;
    // Deleting items. permanently false: "move to the Trash"; true: deleted for good. reason is
    // empty when the whole batch is asked about once before it starts (only Yes or YesToAll go
    // on); otherwise it says why one item (items holds just it) cannot go to the trash and the
    // answer decides that item alone: Yes deletes it for good, YesToAll also every later item
    // that cannot go to the trash, No keeps it, Cancel stops the batch.
    virtual Answer ConfirmDelete(
        const std::vector<std::string>& items, bool permanently, const std::string& reason)
        = 0;
    // An error box: caption like "Error Copying File or Folder", text naming the file and the
    // reason ("Cannot copy 'a.mp3': No space left on device."). With canSkip the box offers Skip
    // and Cancel and returns true for Skip (go on with the next item); otherwise it offers OK
    // and the result is ignored.
    virtual bool ShowError(const std::string& caption, const std::string& text, bool canSkip) = 0;
    // Told of every item that fails, with its full path and the reason, just before its error
    // box. For front ends that keep their own account (the CLI); windows need nothing more.
    virtual void NoteFailure(const std::string& /*path*/, const std::string& /*reason*/) { }
    // Told once of what a batch does other than asked (a move made as a copy). For front ends
    // without windows (the CLI), which would otherwise leave it unsaid.
    virtual void Note(const std::string& /*text*/) { }
};
