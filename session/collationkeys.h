#pragma once

#include <string>
#include <string_view>

struct UCollator;

// Sort keys in the collation of the user's locale with letter case ignored, the order
// QCollator gives with Qt::CaseInsensitive: two texts order as their keys compare bytewise
// (unsigned). Keys are plain bytes, so a row can keep its key inside its own storage.
// Not for use from two threads at once.
class CollationKeys final {
public:
    CollationKeys();
    ~CollationKeys();
    CollationKeys(const CollationKeys&) = delete;
    CollationKeys& operator=(const CollationKeys&) = delete;

    // The key of a UTF-8 text; the view lasts until the next call.
    std::string_view KeyOf(std::string_view text) const;

private:
    void Open() const;

    std::string m_strLocale;
    mutable UCollator* m_pCollator = nullptr;
    mutable bool m_bOpened = false;
    mutable std::string m_key;
};
