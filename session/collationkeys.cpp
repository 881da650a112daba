#include "session/collationkeys.h"

#include <unicode/ucol.h>

#include <QLocale>
#include <QString>

namespace {

// The user's locale; the C locale (no LANG) has no case-insensitive collation, so the root
// collation of English stands in for it.
QLocale CollationLocale()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

} // namespace

// The locale is the one of the moment the keys are made for, as with a QCollator.
CollationKeys::CollationKeys()
    : m_strLocale(CollationLocale().bcp47Name().replace('-', '_').toStdString())
{
}

// The collator is set up as QCollator sets up ICU for a case-insensitive collation: the
// locale's tailoring, normalisation on, secondary strength (accents count, case does not),
// numbers as digits, punctuation not ignored. It is opened on first use, as QCollator does,
// so that a list that never sorts a text does not load the collation data.
void CollationKeys::Open() const
{
    m_bOpened = true;
    UErrorCode status = U_ZERO_ERROR;
    m_pCollator = ucol_open(m_strLocale.c_str(), &status);
    if (U_FAILURE(status)) {
        m_pCollator = nullptr;
        return;
    }
    ucol_setAttribute(m_pCollator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(m_pCollator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(m_pCollator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(m_pCollator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
}

CollationKeys::~CollationKeys()
{
    if (m_pCollator)
        ucol_close(m_pCollator);
}

std::string_view CollationKeys::KeyOf(std::string_view text) const
{
    if (!m_bOpened)
        Open();
    if (!m_pCollator)
        return text;
    // Through QString, so that bytes that are no UTF-8 are replaced as Qt replaces them.
    const QString wide = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const auto* source = reinterpret_cast<const UChar*>(wide.utf16());
    const auto length = static_cast<std::int32_t>(wide.size());
    const std::size_t guess = 16 + 2 * static_cast<std::size_t>(length);
    if (m_key.size() < guess)
        m_key.resize(guess);
    auto* out = reinterpret_cast<std::uint8_t*>(m_key.data());
    std::int32_t size = ucol_getSortKey(
        m_pCollator, source, length, out, static_cast<std::int32_t>(m_key.size()));
    if (size > static_cast<std::int32_t>(m_key.size())) {
        m_key.resize(static_cast<std::size_t>(size));
        out = reinterpret_cast<std::uint8_t*>(m_key.data());
        size = ucol_getSortKey(m_pCollator, source, length, out, size);
    }
    // The key ends in a NUL byte, which takes no part in the order.
    return std::string_view(m_key.data(), size > 0 ? static_cast<std::size_t>(size) - 1 : 0);
}
