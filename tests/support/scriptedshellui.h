#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/shellui.h"

// A ShellUi for tests: every call is recorded in order (IsCancelRequested only counted), every
// answer comes from a queue the test fills beforehand; an empty queue gives m_defaultAnswer
// (Cancel unless changed) for confirmations and m_bDefaultSkip for error boxes.
class ScriptedShellUi final : public ShellUi {
public:
    struct Call {
        // "BeginProgress", "StepProgress", "EndProgress", "ConfirmReplace",
        // "ConfirmCreateFolder", "ConfirmDelete", "ShowError"
        std::string kind;
        // title, item, target, folder, first item, or caption of an error box
        std::string text;
        // source of a replace, reason of a delete, or the text of an error box
        std::string detail;
        int index = 0; // StepProgress's index; ConfirmDelete's item count
        int count = 0; // StepProgress's count
        bool flag = false; // ConfirmDelete's permanently; ShowError's canSkip
        std::vector<std::string> items; // ConfirmDelete's items
    };

    void BeginProgress(const std::string& title) override;
    void StepProgress(const std::string& item, int index, int count) override;
    void StepBytes(long long done, long long total) override;
    bool IsCancelRequested() override;
    void EndProgress() override;
    Answer ConfirmReplace(const std::string& target, const std::string& source) override;
    Answer ConfirmCreateFolder(const std::string& folder) override;
    Answer ConfirmDelete(const std::vector<std::string>& items, bool permanently,
        const std::string& reason) override;
    bool ShowError(const std::string& caption, const std::string& text, bool canSkip) override;

    // Scripted answers, consumed front first.
    std::deque<Answer> m_replaceAnswers;
    std::deque<Answer> m_folderAnswers;
    std::deque<Answer> m_deleteAnswers;
    std::deque<bool> m_errorAnswers;
    Answer m_defaultAnswer = Answer::Cancel;
    bool m_bDefaultSkip = false;

    // IsCancelRequested turns true once this many StepProgress calls have come (-1: never),
    // or once m_bCancel is set.
    int m_nCancelAfterSteps = -1;
    bool m_bCancel = false;
    // Called from StepProgress after it is recorded, with the item's index (for example to
    // remove a source while the batch runs).
    std::function<void(int)> m_onStep;

    std::vector<Call> m_calls;
    // Every StepBytes call as (done, total), in order; not in m_calls.
    std::vector<std::pair<long long, long long>> m_bytes;
    int m_nCancelPolls = 0;
    int m_nSteps = 0;

    // The calls of one kind, in order, and their number.
    std::vector<Call> CallsOf(const std::string& kind) const;
    int CountOf(const std::string& kind) const;

private:
    Answer Take(std::deque<Answer>& queue);
};
