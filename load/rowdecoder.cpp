#include "load/rowdecoder.h"

#include "model/genres.h"

void RowDecoder::CellsOf(const FoundFile& file, TrackList::CellViews& cells)
{
    cells[TrackList::ColFile] = file.m_strName;
    cells[TrackList::ColFolder] = *file.m_folder;
    if (!file.m_pTrailer) {
        for (int column : {TrackList::ColArtist, TrackList::ColAlbum, TrackList::ColName,
                 TrackList::ColYear, TrackList::ColComment})
            cells[column] = {};
        cells[TrackList::ColGenre] = GenreNameView(kNoGenre);
        return;
    }
    ParseId3v1(*file.m_pTrailer, m_fields);
    cells[TrackList::ColArtist] = m_fields.artist;
    cells[TrackList::ColAlbum] = m_fields.album;
    cells[TrackList::ColName] = m_fields.title;
    cells[TrackList::ColYear] = m_fields.year;
    cells[TrackList::ColComment] = m_fields.comment;
    cells[TrackList::ColGenre] = GenreNameView(m_fields.genre);
}

TrackList::Cells CellsOfFound(const FoundFile& file)
{
    RowDecoder decoder;
    TrackList::CellViews views;
    decoder.CellsOf(file, views);
    TrackList::Cells cells;
    for (int column = 0; column < TrackList::ColumnCount; ++column)
        cells[column] = views[column];
    return cells;
}
