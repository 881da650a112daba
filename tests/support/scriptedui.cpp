#include "support/scriptedui.h"

#include "res/resource.h"

namespace {

template <typename T> std::optional<T> TakeFront(std::deque<std::optional<T>>& queue)
{
    if (queue.empty())
        return std::nullopt;
    std::optional<T> answer;
    answer.swap(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

int ScriptedUi::MessageBox(const std::string& text, const std::string& caption, unsigned style)
{
    m_calls.push_back({"MessageBox", text, caption, style, {}});
    if (m_messageBoxAnswers.empty())
        return IDOK;
    const int answer = m_messageBoxAnswers.front();
    m_messageBoxAnswers.pop_front();
    return answer;
}

int ScriptedUi::InputDialog(const std::string& prompt, std::string& text)
{
    m_calls.push_back({"InputDialog", prompt, text, 0, {}});
    if (m_inputAnswers.empty())
        return IDCANCEL;
    InputAnswer answer = m_inputAnswers.front();
    m_inputAnswers.pop_front();
    if (answer.result == IDOK)
        text = answer.text;
    return answer.result;
}

std::optional<UiServices::GenreChoice> ScriptedUi::ChooseGenre()
{
    m_calls.push_back({"ChooseGenre", {}, {}, 0, {}});
    return TakeFront(m_genreAnswers);
}

std::optional<std::string> ScriptedUi::SaveFileDialog(
    const std::string& defaultExtension, const std::string& initialName, const std::string& filter)
{
    m_calls.push_back({"SaveFileDialog", initialName, defaultExtension, 0, filter});
    return TakeFront(m_saveAnswers);
}

std::optional<std::vector<std::string>> ScriptedUi::OpenFilesDialog(
    const std::string& defaultExtension, const std::string& filter)
{
    m_calls.push_back({"OpenFilesDialog", {}, defaultExtension, 0, filter});
    return TakeFront(m_openAnswers);
}

int ScriptedUi::BrowseForFolder(std::string& result, const std::string& title,
    const std::string& root, const std::string& initial, bool showCreateNew)
{
    m_calls.push_back({"BrowseForFolder", initial, root, showCreateNew ? 1u : 0u, title});
    std::optional<std::string> answer = TakeFront(m_folderAnswers);
    if (!answer) {
        result.clear();
        return 0;
    }
    result = *answer;
    return 1;
}

bool ScriptedUi::IsControlKeyDown()
{
    m_calls.push_back({"IsControlKeyDown", {}, {}, 0, {}});
    return m_bControlKeyDown;
}

std::vector<ScriptedUi::Call> ScriptedUi::CallsOf(const std::string& kind) const
{
    std::vector<Call> calls;
    for (const Call& call : m_calls) {
        if (call.kind == kind)
            calls.push_back(call);
    }
    return calls;
}
