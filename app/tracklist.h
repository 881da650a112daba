#pragma once

#include <QAbstractTableModel>
#include <QItemSelectionModel>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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
    using Cells = std::array<std::string, ColumnCount>;
    // Stable identity of a row: never reused, unaffected by sorting or removal of other rows.
    using RowId = std::uint64_t;

    // The header shows the columns in this order of indices.
    static constexpr std::array<int, ColumnCount> kDisplayOrder = {0, 1, 3, 2, 4, 5, 7, 6};
    static constexpr std::array<int, ColumnCount> kInitialWidths
        = {200, 100, 100, 100, 30, 100, 100, 100};
    static const char* ColumnTitle(int column);

    explicit TrackList(QObject* parent = nullptr);
    ~TrackList() override;

    int GetItemCount() const;
    std::string GetItemText(int row, int column) const;
    void SetItemText(int row, int column, const std::string& text);

    // Adds one row placed among the others by ascending File text; returns its index.
    int AddRow(Cells cells);
    // Adds many rows at once, each placed as AddRow would place it, in O((n + m) log(n + m)).
    void AddRows(std::vector<Cells> rows);
    void DeleteItem(int row);
    void DeleteAllItems();

    RowId IdOfRow(int row) const;
    // The current index of the row with that identity, -1 when it was removed.
    int RowOfId(RowId id) const;

    // The selection walk: the first selected row after 'after' (-1 starts), -1 when none.
    int GetNextSelected(int after) const;
    bool IsSelected(int row) const;
    void SetSelected(int row, bool selected);
    int GetSelectedCount() const;
    // The selection the list view shows; the track list owns it.
    QItemSelectionModel* SelectionModel() { return &m_selection; }

    // The sort on a header click: the same column again toggles the direction, another column
    // starts ascending; rows are ordered by the column's text in byte order.
    void SortOnHeaderClick(int column);
    int SortColumn() const { return m_nSortColumn; }
    bool SortAscending() const { return m_bSortAscending; }

    // While redraw is off, changes send no per-row signals; turning it on again tells the
    // views once. The selection survives.
    void SetRedraw(bool on);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
        int role = Qt::DisplayRole) const override;

private:
    QItemSelectionModel m_selection;
    int m_nSortColumn = -1;
    bool m_bSortAscending = true;
    // Further state is the implementation's.
};
