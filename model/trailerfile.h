#pragma once

#include <cstdint>

#include "platform/file.h"

// A file that a tag command keeps open from reading its trailer to writing it back, with what
// the read saw, so that the write needs neither a second open nor a second look.
struct TrailerFile {
    CFile m_file;
    // The file's length and whether its last 128 bytes began with "TAG", as the read saw
    // them; m_nLength is -1 when the read did not see both.
    std::int64_t m_nLength = -1;
    bool m_bHasTag = false;
};
