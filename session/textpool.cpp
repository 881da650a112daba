#include "session/textpool.h"

const std::string* TextPool::Intern(std::string_view text)
{
    auto it = m_texts.find(text);
    if (it == m_texts.end())
        it = m_texts.emplace(text).first;
    return &*it;
}

void TextPool::Clear()
{
    m_texts = {};
}
