#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "model/id3v1.h"

// A folder's text as a walk gives it to the rows of its files: one copy, shared.
using FolderText = std::shared_ptr<const std::string>;

// An MP3 file a walk found, as a sink receives it: its name in its folder, that folder's text,
// and its trailer when the file gives texts (null when it has none, is too short or could not be
// read). The views hold only during the call that receives them.
struct FoundFile {
    std::string_view m_strName;
    const FolderText& m_folder;
    const Id3v1Block* m_pTrailer = nullptr;
};
