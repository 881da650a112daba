#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/uiservices.h"

// A UiServices for tests: every call is recorded in order, every answer comes from a queue the
// test fills beforehand. An empty queue gives the default answer (IDOK for message boxes,
// IDCANCEL for the input dialog, cancel for every other dialog).
class ScriptedUi final : public UiServices {
public:
    struct Call {
        std::string kind; // "MessageBox", "InputDialog", "ChooseGenre", "SaveFileDialog", ...
        std::string text; // message text, prompt, or the initial name of a save dialog
        std::string caption; // caption, the input text shown, or the default extension
        unsigned style = 0; // MB_* bits of a message box
        std::string filter; // filter of a file dialog, title of the folder picker
    };

    struct InputAnswer {
        int result = 2; // IDOK (1) or IDCANCEL (2)
        std::string text;
    };

    int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
    int InputDialog(const std::string& prompt, std::string& text) override;
    std::optional<GenreChoice> ChooseGenre() override;
    std::optional<std::string> SaveFileDialog(const std::string& defaultExtension,
        const std::string& initialName, const std::string& filter) override;
    std::optional<std::vector<std::string>> OpenFilesDialog(
        const std::string& defaultExtension, const std::string& filter) override;
    int BrowseForFolder(std::string& result, const std::string& title, const std::string& root,
        const std::string& initial, bool showCreateNew) override;
    bool IsControlKeyDown() override;

    // Scripted answers, consumed front first.
    std::deque<int> m_messageBoxAnswers;
    std::deque<InputAnswer> m_inputAnswers;
    std::deque<std::optional<GenreChoice>> m_genreAnswers;
    std::deque<std::optional<std::string>> m_saveAnswers;
    std::deque<std::optional<std::vector<std::string>>> m_openAnswers;
    std::deque<std::optional<std::string>> m_folderAnswers;
    bool m_bControlKeyDown = false;

    // Helpers to script answers.
    void AnswerInput(const std::string& text) { m_inputAnswers.push_back({1, text}); }
    void CancelInput() { m_inputAnswers.push_back({2, {}}); }
    void AnswerGenre(int code, const std::string& text)
    {
        m_genreAnswers.push_back(GenreChoice {code, text});
    }
    void AnswerSave(const std::string& path) { m_saveAnswers.push_back(path); }

    std::vector<Call> m_calls;
    // The calls of one kind, in order.
    std::vector<Call> CallsOf(const std::string& kind) const;
};
