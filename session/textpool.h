#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

// Texts kept once and shared: the Folder cells of the rows that stand in one folder point to
// one copy. A text stays until Clear, so a pointer from Intern lasts until then.
class TextPool final {
public:
    const std::string* Intern(std::string_view text);
    void Clear();

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view> {}(text);
        }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> m_texts;
};
