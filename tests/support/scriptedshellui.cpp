#include "support/scriptedshellui.h"

void ScriptedShellUi::BeginProgress(const std::string& title)
{
    m_calls.push_back({"BeginProgress", title, {}, 0, 0, false, {}});
}

void ScriptedShellUi::StepProgress(const std::string& item, int index, int count)
{
    m_calls.push_back({"StepProgress", item, {}, index, count, false, {}});
    ++m_nSteps;
    if (m_onStep)
        m_onStep(index);
}

void ScriptedShellUi::StepBytes(long long done, long long total)
{
    m_bytes.emplace_back(done, total);
}

bool ScriptedShellUi::IsCancelRequested()
{
    ++m_nCancelPolls;
    return m_bCancel || (m_nCancelAfterSteps >= 0 && m_nSteps >= m_nCancelAfterSteps);
}

void ScriptedShellUi::EndProgress()
{
    m_calls.push_back({"EndProgress", {}, {}, 0, 0, false, {}});
}

ShellUi::Answer ScriptedShellUi::ConfirmReplace(
    const std::string& target, const std::string& source)
{
    m_calls.push_back({"ConfirmReplace", target, source, 0, 0, false, {}});
    return Take(m_replaceAnswers);
}

ShellUi::Answer ScriptedShellUi::ConfirmCreateFolder(const std::string& folder)
{
    m_calls.push_back({"ConfirmCreateFolder", folder, {}, 0, 0, false, {}});
    return Take(m_folderAnswers);
}

ShellUi::Answer ScriptedShellUi::ConfirmDelete(
    const std::vector<std::string>& items, bool permanently, const std::string& reason)
{
    m_calls.push_back({"ConfirmDelete", items.empty() ? std::string() : items.front(), reason,
        static_cast<int>(items.size()), 0, permanently, items});
    return Take(m_deleteAnswers);
}

bool ScriptedShellUi::ShowError(const std::string& caption, const std::string& text, bool canSkip)
{
    m_calls.push_back({"ShowError", caption, text, 0, 0, canSkip, {}});
    if (m_errorAnswers.empty())
        return m_bDefaultSkip;
    const bool skip = m_errorAnswers.front();
    m_errorAnswers.pop_front();
    return skip;
}

std::vector<ScriptedShellUi::Call> ScriptedShellUi::CallsOf(const std::string& kind) const
{
    std::vector<Call> calls;
    for (const Call& call : m_calls) {
        if (call.kind == kind)
            calls.push_back(call);
    }
    return calls;
}

int ScriptedShellUi::CountOf(const std::string& kind) const
{
    return static_cast<int>(CallsOf(kind).size());
}

ShellUi::Answer ScriptedShellUi::Take(std::deque<Answer>& queue)
{
    if (queue.empty())
        return m_defaultAnswer;
    const Answer answer = queue.front();
    queue.pop_front();
    return answer;
}
