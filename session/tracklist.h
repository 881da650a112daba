#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>

#include "session/collationkeys.h"
#include "session/rowblocks.h"
#include "session/rowtexts.h"
#include "session/stagedrows.h"
#include "session/textpool.h"

// The one store of loaded files: one row per file, eight text cells by column index, a stable
// identity per row, the selection, sorted insertion and the sort on a header click. It is the
// model the main window's list view shows; it needs no widget to be used or tested.
class TrackList final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        ColFile = 0,
        ColArtist = 1,
        ColAlbum = 2,
        ColName = 3,
        ColYear = 4,
        ColComment = 5,
        ColFolder = 6,
        ColGenre = 7,
        ColumnCount = 8
    };
    using Cells = RowTexts::Cells;
    using CellViews = RowTexts::CellViews;
    // Gives the cells of row i of a batch, as views that need to hold only until the next call.
    using CellsOfRow = std::function<void(std::size_t i, CellViews& cells)>;
    // Stable identity of a row: never reused, unaffected by sorting or removal of other rows.
    using RowId = std::uint64_t;

    // The header shows the columns in this order of indices.
    static constexpr std::array<int, ColumnCount> kDisplayOrder = {0, 1, 3, 2, 4, 5, 7, 6};
    static constexpr std::array<int, ColumnCount> kInitialWidths
        = {200, 100, 100, 100, 30, 100, 100, 100};
    static const char* ColumnTitle(int column);
    // The five texts read from a file's tag (Artist, Album, Name, Year, Comment).
    static constexpr bool IsTagColumn(int column)
    {
        return column >= ColArtist && column <= ColComment;
    }

    explicit TrackList(QObject* parent = nullptr);
    ~TrackList() override;

    int GetItemCount() const;
    std::string GetItemText(int row, int column) const;
    // The same text without a copy; valid until the row changes.
    std::string_view ItemText(int row, int column) const;
    // Every cell of row so, in one look at the row (empty cells for a row that is not there).
    void ItemTexts(int row, CellViews& cells) const;
    void SetItemText(int row, int column, const std::string& text);
    // Several cells of one row (column, text) with one rebuild of the row and one change.
    using ColumnText = RowTexts::ColumnText;
    void SetItemTexts(int row, std::span<const ColumnText> cells);

    // Adds one row placed among the others by ascending File text (case-insensitive collation
    // of the user's locale); returns its index. When a header sort or an edit of a File cell
    // has left the rows in another order, new rows go after the existing ones.
    int AddRow(Cells cells);
    // Adds many rows at once, each placed as AddRow would place it, in O((n + m) log(n + m)).
    void AddRows(std::vector<Cells> rows);
    // A load's rows: each batch becomes rows at once and is sorted among the staged rows while
    // the load runs, but stays out of the list (row count, accessors) until PlaceStagedRows
    // places every staged row, as AddRows would place them, in one change. DeleteAllItems drops
    // staged rows too.
    void StageRows(std::vector<Cells> rows);
    // The same for a batch of count rows whose cells cellsOf gives one row after another.
    void StageRows(std::size_t count, const CellsOfRow& cellsOf);
    void PlaceStagedRows();
    // A hint for a walk in row order that row will be read soon: its texts, and the slot of a
    // row further on, are fetched into the cache meanwhile.
    void PrefetchRow(int row) const;
    void DeleteItem(int row);
    // Deletes the listed rows (any order, duplicates ignored) in one pass.
    void DeleteItems(std::vector<int> rows);
    void DeleteAllItems();

    RowId IdOfRow(int row) const;
    // The current index of the row with that identity, -1 when it was removed.
    int RowOfId(RowId id) const;

    // The selection walk: the first selected row after 'after' (-1 starts), -1 when none.
    int GetNextSelected(int after) const;
    bool IsSelected(int row) const;
    // Takes effect at once for the walk; the selection model follows when control returns to
    // the event loop (or at FlushSelection), so selecting rows one by one stays linear.
    void SetSelected(int row, bool selected);
    // Brings the selection model up to date with SetSelected calls made since.
    void FlushSelection();
    int GetSelectedCount() const;
    // Selects every row, or inverts the selection of every row, in one selection change.
    void SelectAll();
    void InvertSelection();
    // The selection the list view shows; the track list owns it.
    QItemSelectionModel* SelectionModel() { return &m_selection; }

    // The sort on a header click: the same column again toggles the direction, another column
    // starts ascending; rows are ordered by the column's text in the collation of the loading
    // order (the user's locale, letter case ignored), rows with equal texts keep their order.
    void SortOnHeaderClick(int column);
    int SortColumn() const { return m_nSortColumn; }
    bool SortAscending() const { return m_bSortAscending; }

    // While redraw is off, changes send no per-row signals; turning it on again tells the
    // views once. The selection survives.
    void SetRedraw(bool on);
    bool IsRedrawOn() const { return m_bRedraw; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // A free slot has no texts.
    struct Row {
        RowTexts m_texts;
        RowId m_nId = 0;
        bool m_bSelected = false;
        bool m_bUsed = false;
    };

    static std::string_view CellOf(const Row& row, int column) { return row.m_texts.Cell(column); }
    void SetCell(Row& row, int column, const std::string& text);
    // The list's bookkeeping after cells first..last of row changed.
    void CellsChanged(int row, int first, int last, bool fileChanged);
    bool KeyLess(const Row& a, const Row& b) const;
    // A slot holding a new row of cells; folder is the Folder cell's shared text. The row's
    // texts take a piece of blocks when given, else a block of the heap.
    std::uint32_t NewSlot(
        const CellViews& cells, const std::string* folder, RowBlocks* blocks = nullptr);
    // Makes rows of the cells that cellsOf gives and adds them to staged as one batch.
    void StageInto(StagedRows& staged, std::size_t count, const CellsOfRow& cellsOf);
    // Places rows sorted among themselves into File order, or after the rows when another
    // order stands.
    void PlaceSorted(std::vector<std::uint32_t> added);
    void FreeSlot(std::uint32_t slot);
    // Lets go of every slot and of the load's storage when no slot holds a row any more.
    void ReleaseSlotsWhenAllFree();
    void RebuildRowIndex() const;
    void RowsChanged();
    bool FileOrderHoldsAround(int row) const;
    // Layout changes: persistent indexes (the selection's among them) follow their rows.
    // While redraw is off the layout change stays open until SetRedraw(true).
    void BeginLayout();
    void EndLayout();
    void BeginChange();
    void EndChange();
    bool CanSignalRows() const { return m_bRedraw && !m_bLayoutPending; }
    // Makes the selection model show the selection kept in the rows.
    void PushSelection();
    void TakeSelection(const QItemSelection& selected, const QItemSelection& deselected);

    QItemSelectionModel m_selection;
    int m_nSortColumn = -1;
    bool m_bSortAscending = true;

    // The texts of the rows a load added (declared first: the rows go before their storage).
    RowBlocks m_rowBlocks;
    // A deque grows without moving its rows, so the peak of a growing list is the list.
    std::deque<Row> m_slots;
    std::vector<std::uint32_t> m_freeSlots;
    // Row index -> slot.
    std::vector<std::uint32_t> m_order;
    std::uint64_t m_nSerial = 0;
    CollationKeys m_keys;
    TextPool m_folders;
    StagedRows m_staged;
    // True while the rows stand in ascending File order (so new rows are merged into it).
    bool m_bFileOrdered = true;

    bool m_bRedraw = true;
    bool m_bLayoutPending = false;
    bool m_bSelectionDirty = false;
    int m_nDirtyFirst = -1;
    int m_nDirtyLast = -1;
    bool m_bPushingSelection = false;
    bool m_bPushQueued = false;
    int m_nSelected = 0;
    int m_nLayoutRowCount = 0;
    QModelIndexList m_layoutFrom;
    std::vector<RowId> m_layoutIds;

    // Caches rebuilt on demand.
    mutable std::vector<int> m_rowOfSlot;
    mutable bool m_bRowIndexValid = false;
    mutable std::vector<int> m_selectedRows;
    mutable bool m_bSelectedValid = false;
};
