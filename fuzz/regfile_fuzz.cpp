// The settings file parser over any bytes: it never crashes, and whatever it accepts renders to
// a text that parses back to the same keys and values, and renders the same again.
#include <cstdlib>
#include <string_view>

#include "platform/regfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto file = RegFile::Parse(text);
    if (!file)
        return 0;
    for (const RegKey& key : file->m_keys) {
        for (const RegValue& value : key.m_values) {
            // Every value the parser accepts has bytes for a reader.
            if (!value.Bytes())
                std::abort();
            if (key.Find(value.m_strName) != &value)
                std::abort(); // names are unique within a key
        }
    }
    const std::string rendered = file->Render();
    auto again = RegFile::Parse(rendered);
    if (!again || !(*again == *file) || again->Render() != rendered)
        std::abort();
    return 0;
}
