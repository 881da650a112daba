#pragma once

#include <optional>
#include <string>
#include <vector>

// What a command may ask of the user. The GUI implements it with Qt dialogs, the CLI with
// standard error and --yes, the tests with scripted answers. Commands never include widgets.
class UiServices {
public:
    virtual ~UiServices() = default;

    // A message box with text, caption and MB_* style bits; returns IDOK, IDYES, IDNO, ...
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned style) = 0;

    // The input dialog: shows prompt (may hold one "\n") with text in the edit field. Returns
    // IDOK with text set to what was typed, or IDCANCEL with text unchanged.
    virtual int InputDialog(const std::string& prompt, std::string& text) = 0;

    // The genre dialog; nothing when cancelled.
    struct GenreChoice {
        int code = 255; // 0..147 or 255 for the blank entry
        std::string text;
    };
    virtual std::optional<GenreChoice> ChooseGenre() = 0;

    // Save-file dialog (asks before replacing a file). defaultExtension like ".m3u";
    // initialName the name offered, after the folder the dialog opens in when it holds a '/'
    // ("/music/rock/" offers no name); filter in the "Description (*.ext)|*.ext||" form.
    // Nothing when cancelled.
    virtual std::optional<std::string> SaveFileDialog(const std::string& defaultExtension,
        const std::string& initialName, const std::string& filter)
        = 0;

    // Open-file dialog with multiple selection; the chosen paths, or nothing when cancelled.
    virtual std::optional<std::vector<std::string>> OpenFilesDialog(
        const std::string& defaultExtension, const std::string& filter)
        = 0;

    // The folder picker: 1 with result set to the chosen (or created) folder, 0 otherwise
    // (result emptied on cancel). root and initial may be empty.
    virtual int BrowseForFolder(std::string& result, const std::string& title,
        const std::string& root, const std::string& initial, bool showCreateNew)
        = 0;

    // Whether the Ctrl key is held down at this moment.
    virtual bool IsControlKeyDown() = 0;
};
