#pragma once

// Shared by the command tests: a folder of MP3-like files with ID3v1 trailers, loaded into a
// session's track list. Header only, as each test file is its own executable.

#include <string>
#include <vector>

#include "session/session.h"
#include "model/genres.h"
#include "support/fixtures.h"
#include "support/scriptedui.h"

struct Tag {
    std::string title, artist, album, year, comment;
    int genre = 255;
};

inline std::string TrailerOf(const Tag& tag)
{
    return Id3v1Bytes(tag.title, tag.artist, tag.album, tag.year, tag.comment,
        static_cast<std::uint8_t>(tag.genre));
}

class Library {
public:
    // Writes name (audio bytes and the tag's trailer) and adds its row with the tag's texts.
    void Add(const std::string& name, const Tag& tag)
    {
        WriteFileBytes(Path(name), FakeAudio(1000) + TrailerOf(tag));
        m_list.AddRow({name, tag.artist, tag.album, tag.title, tag.year, tag.comment, m_dir.Path(),
            GenreName(tag.genre)});
    }
    std::string Path(const std::string& name) const { return m_dir / name; }
    std::string Bytes(const std::string& name) const { return ReadFileBytes(Path(name)); }
    std::string Trailer(const std::string& name) const
    {
        const std::string bytes = Bytes(name);
        return bytes.size() < 128 ? bytes : bytes.substr(bytes.size() - 128);
    }
    // The row now showing that file name, -1 when none.
    int RowOf(const std::string& name) const
    {
        for (int row = 0; row < m_list.GetItemCount(); ++row) {
            if (m_list.GetItemText(row, TrackList::ColFile) == name)
                return row;
        }
        return -1;
    }
    std::string Cell(const std::string& name, int column) const
    {
        return m_list.GetItemText(RowOf(name), column);
    }
    void Select(const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
            m_list.SetSelected(RowOf(name), true);
    }

    TempDir m_dir;
    ScriptedUi m_ui;
    Session m_session {m_ui};
    TrackList& m_list = m_session.List();
};
