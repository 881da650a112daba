#include "session/tracklist.h"

#include <algorithm>
#include <utility>

#include "platform/codepage.h"

// Storage: every row sits in one slot of m_slots, its texts and the sort key of its File cell
// in one block (RowTexts; those of the rows a load adds are pieces of large chunks, m_rowBlocks,
// freed together once no row is left) and its Folder cell shared with the rows of the same
// folder (m_folders); m_order maps row indices to slots, so inserting, removing and sorting move
// 4-byte slot numbers, never texts. A folder's text is kept until the list is emptied, even
// when its rows are gone. A RowId is the slot number in its low 32 bits and a serial in its high
// bits, so an id is never reused even when its slot is.
//
// Placement of new rows: rows stand in ascending File order by a case-insensitive collation of
// the user's locale (CollationKeys, the order of QCollator: secondary strength, letters with
// accents differ, case does not), equal keys ordered by their UTF-8 bytes, a new row after the rows
// equal to it. After a header sort or an edit of a File cell has left the rows in another order,
// new rows (sorted among themselves the same way) are appended after the existing ones; emptying
// the list restores File order.
//
// Selection: the selection of each row is kept in its slot (a row is selected when its File
// cell is), mirrored into the selection model the view shows. Changes made through the model
// (clicks in the view) flow back into the rows.

namespace {

constexpr std::array<const char*, TrackList::ColumnCount> kTitles
    = {"File", "Artist", "Album", "Name", "Year", "Comment", "Folder", "Genre"};
constexpr std::uint64_t kSlotMask = 0xffffffffu;
static_assert(TrackList::ColFile == RowTexts::kFileColumn);
static_assert(TrackList::ColFolder == RowTexts::kFolderColumn);

} // namespace

const char* TrackList::ColumnTitle(int column)
{
    if (column < 0 || column >= ColumnCount)
        return "";
    return kTitles[column];
}

TrackList::TrackList(QObject* parent) : QAbstractTableModel(parent), m_selection(this)
{
    connect(&m_selection, &QItemSelectionModel::selectionChanged, this, &TrackList::TakeSelection);
}

TrackList::~TrackList() = default;

void TrackList::SetCell(Row& row, int column, const std::string& text)
{
    if (column == ColFolder)
        row.m_texts.SetFolder(m_folders.Intern(text));
    else
        row.m_texts.SetCell(column, text, column == ColFile ? m_keys.KeyOf(text) : "");
}

bool TrackList::KeyLess(const Row& a, const Row& b) const
{
    const int c = a.m_texts.FileKey().compare(b.m_texts.FileKey());
    if (c != 0)
        return c < 0;
    return CellOf(a, ColFile) < CellOf(b, ColFile);
}

namespace {

TrackList::CellViews ViewsOf(const TrackList::Cells& cells)
{
    TrackList::CellViews views;
    std::copy(cells.begin(), cells.end(), views.begin());
    return views;
}

} // namespace

std::uint32_t TrackList::NewSlot(
    const CellViews& cells, const std::string* folder, RowBlocks* blocks)
{
    std::uint32_t slot;
    if (!m_freeSlots.empty()) {
        slot = m_freeSlots.back();
        m_freeSlots.pop_back();
    } else {
        slot = static_cast<std::uint32_t>(m_slots.size());
        m_slots.emplace_back();
    }
    Row& row = m_slots[slot];
    row.m_texts = RowTexts(cells, m_keys.KeyOf(cells[ColFile]), folder, blocks);
    row.m_nId = (++m_nSerial << 32) | slot;
    row.m_bSelected = false;
    row.m_bUsed = true;
    return slot;
}

void TrackList::FreeSlot(std::uint32_t slot)
{
    Row& row = m_slots[slot];
    if (row.m_bSelected)
        --m_nSelected;
    row.m_texts = RowTexts();
    row.m_bSelected = false;
    row.m_bUsed = false;
    m_freeSlots.push_back(slot);
}

void TrackList::ReleaseSlotsWhenAllFree()
{
    // A piece of m_rowBlocks is freed only with all of them: once the last row is gone, a list
    // whose rows were removed one by one holds no memory of them.
    if (m_freeSlots.size() != m_slots.size())
        return;
    m_slots = std::deque<Row>();
    m_freeSlots = std::vector<std::uint32_t>();
    m_rowBlocks.Clear();
}

void TrackList::RowsChanged()
{
    m_bRowIndexValid = false;
    m_bSelectedValid = false;
}

void TrackList::RebuildRowIndex() const
{
    m_rowOfSlot.assign(m_slots.size(), -1);
    for (std::size_t i = 0; i < m_order.size(); ++i)
        m_rowOfSlot[m_order[i]] = static_cast<int>(i);
    m_bRowIndexValid = true;
}

int TrackList::GetItemCount() const
{
    return static_cast<int>(m_order.size());
}

std::string TrackList::GetItemText(int row, int column) const
{
    return std::string(ItemText(row, column));
}

std::string_view TrackList::ItemText(int row, int column) const
{
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= ColumnCount)
        return {};
    return CellOf(m_slots[m_order[row]], column);
}

void TrackList::ItemTexts(int row, CellViews& cells) const
{
    if (row < 0 || row >= GetItemCount())
        return RowTexts().CellsInto(cells);
    m_slots[m_order[row]].m_texts.CellsInto(cells);
}

bool TrackList::FileOrderHoldsAround(int row) const
{
    const Row& here = m_slots[m_order[row]];
    if (row > 0 && KeyLess(here, m_slots[m_order[row - 1]]))
        return false;
    if (row + 1 < GetItemCount() && KeyLess(m_slots[m_order[row + 1]], here))
        return false;
    return true;
}

void TrackList::SetItemText(int row, int column, const std::string& text)
{
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= ColumnCount)
        return;
    SetCell(m_slots[m_order[row]], column, text);
    CellsChanged(row, column, column, column == ColFile);
}

void TrackList::SetItemTexts(int row, std::span<const ColumnText> cells)
{
    if (row < 0 || row >= GetItemCount())
        return;
    Row& slot = m_slots[m_order[row]];
    std::array<ColumnText, ColumnCount> texts;
    std::size_t count = 0;
    int first = ColumnCount;
    int last = -1;
    bool fileChanged = false;
    std::string_view fileKey;
    for (const ColumnText& cell : cells) {
        const int column = cell.first;
        if (column < 0 || column >= ColumnCount)
            continue;
        first = std::min(first, column);
        last = std::max(last, column);
        if (column == ColFolder) {
            slot.m_texts.SetFolder(m_folders.Intern(cell.second));
            continue;
        }
        if (column == ColFile) {
            fileChanged = true;
            fileKey = m_keys.KeyOf(cell.second);
        }
        if (count < texts.size())
            texts[count++] = cell;
    }
    if (count > 0)
        slot.m_texts.SetCells({texts.data(), count}, fileKey);
    if (last >= 0)
        CellsChanged(row, first, last, fileChanged);
}

void TrackList::CellsChanged(int row, int first, int last, bool fileChanged)
{
    // The row keeps its place; the list may leave File order by an edit of its File cell.
    if (fileChanged && m_bFileOrdered && !FileOrderHoldsAround(row))
        m_bFileOrdered = false;
    if (CanSignalRows()) {
        // One shared role list: a batch changes a cell per row, and a list built per call
        // would cost an allocation each time.
        static const QList<int> kDisplayRole {Qt::DisplayRole};
        emit dataChanged(index(row, first), index(row, last), kDisplayRole);
    } else if (!m_bLayoutPending) {
        m_nDirtyFirst = m_nDirtyFirst < 0 ? row : std::min(m_nDirtyFirst, row);
        m_nDirtyLast = std::max(m_nDirtyLast, row);
    }
}

int TrackList::AddRow(Cells cells)
{
    const std::uint32_t slot = NewSlot(ViewsOf(cells), m_folders.Intern(cells[ColFolder]));
    int pos = GetItemCount();
    if (m_bFileOrdered) {
        auto it = std::upper_bound(m_order.begin(), m_order.end(), slot,
            [this](std::uint32_t a, std::uint32_t b) { return KeyLess(m_slots[a], m_slots[b]); });
        pos = static_cast<int>(it - m_order.begin());
    }
    if (CanSignalRows()) {
        beginInsertRows(QModelIndex(), pos, pos);
        m_order.insert(m_order.begin() + pos, slot);
        RowsChanged();
        endInsertRows();
    } else {
        BeginChange();
        m_order.insert(m_order.begin() + pos, slot);
        RowsChanged();
        EndChange();
    }
    return pos;
}

void TrackList::StageInto(StagedRows& staged, std::size_t count, const CellsOfRow& cellsOf)
{
    std::vector<StagedRows::Entry> entries;
    entries.reserve(count);
    CellViews cells;
    // The rows of a batch mostly come folder after folder: a folder's text is looked up once.
    std::string_view folderText;
    const std::string* folder = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        cellsOf(i, cells);
        if (!folder || cells[ColFolder] != folderText) {
            folder = m_folders.Intern(cells[ColFolder]);
            folderText = *folder;
        }
        const std::uint32_t slot = NewSlot(cells, folder, &m_rowBlocks);
        entries.push_back(StagedRows::EntryOf(m_slots[slot].m_texts, slot));
    }
    staged.Add(entries);
}

void TrackList::AddRows(std::vector<Cells> rows)
{
    StagedRows batch;
    StageInto(
        batch, rows.size(), [&rows](std::size_t i, CellViews& cells) { cells = ViewsOf(rows[i]); });
    PlaceSorted(batch.Take());
}

void TrackList::StageRows(std::vector<Cells> rows)
{
    StageRows(rows.size(), [&rows](std::size_t i, CellViews& cells) { cells = ViewsOf(rows[i]); });
}

void TrackList::StageRows(std::size_t count, const CellsOfRow& cellsOf)
{
    StageInto(m_staged, count, cellsOf);
}

void TrackList::PlaceStagedRows()
{
    PlaceSorted(m_staged.Take());
}

void TrackList::PlaceSorted(std::vector<std::uint32_t> added)
{
    if (added.empty())
        return;
    auto less
        = [this](std::uint32_t a, std::uint32_t b) { return KeyLess(m_slots[a], m_slots[b]); };
    const int count = GetItemCount();
    // Where the batch lands: all after the existing rows, or merged into File order by a
    // binary search per new row (each search starts where the previous one ended).
    bool atEnd = !m_bFileOrdered || count == 0;
    if (!atEnd) {
        atEnd = !less(added.front(), m_order.back());
    }
    if (atEnd) {
        if (count == 0)
            m_bFileOrdered = true;
        auto append = [this, &added] {
            if (m_order.empty())
                m_order.swap(added);
            else
                m_order.insert(m_order.end(), added.begin(), added.end());
            RowsChanged();
        };
        if (CanSignalRows()) {
            beginInsertRows(QModelIndex(), count, count + static_cast<int>(added.size()) - 1);
            append();
            endInsertRows();
        } else {
            BeginChange();
            append();
            EndChange();
        }
        return;
    }

    std::vector<std::uint32_t> merged;
    merged.reserve(m_order.size() + added.size());
    auto from = m_order.begin();
    for (std::uint32_t slot : added) {
        auto at = std::upper_bound(from, m_order.end(), slot, less);
        merged.insert(merged.end(), from, at);
        merged.push_back(slot);
        from = at;
    }
    merged.insert(merged.end(), from, m_order.end());
    BeginChange();
    m_order.swap(merged);
    RowsChanged();
    EndChange();
}

void TrackList::DeleteItem(int row)
{
    DeleteItems({row});
}

void TrackList::DeleteItems(std::vector<int> rows)
{
    const int count = GetItemCount();
    std::erase_if(rows, [count](int row) { return row < 0 || row >= count; });
    if (rows.empty())
        return;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    auto removeFromOrder = [this, &rows] {
        std::vector<std::uint32_t> kept;
        kept.reserve(m_order.size() - rows.size());
        std::size_t next = 0;
        for (std::size_t i = 0; i < m_order.size(); ++i) {
            if (next < rows.size() && rows[next] == static_cast<int>(i)) {
                FreeSlot(m_order[i]);
                ++next;
            } else {
                kept.push_back(m_order[i]);
            }
        }
        m_order.swap(kept);
        if (m_order.size() <= 1)
            m_bFileOrdered = true;
        ReleaseSlotsWhenAllFree();
        RowsChanged();
    };

    const bool contiguous = rows.back() - rows.front() + 1 == static_cast<int>(rows.size());
    if (contiguous && CanSignalRows()) {
        beginRemoveRows(QModelIndex(), rows.front(), rows.back());
        removeFromOrder();
        endRemoveRows();
    } else {
        BeginChange();
        removeFromOrder();
        EndChange();
    }
}

void TrackList::DeleteAllItems()
{
    const int count = GetItemCount();
    auto clear = [this] {
        m_order = std::vector<std::uint32_t>();
        m_slots = std::deque<Row>();
        m_rowBlocks.Clear();
        m_folders.Clear();
        m_freeSlots = std::vector<std::uint32_t>();
        m_staged.Clear();
        m_nSelected = 0;
        m_bFileOrdered = true;
        RowsChanged();
    };
    if (count == 0) {
        clear();
        return;
    }
    if (CanSignalRows()) {
        beginRemoveRows(QModelIndex(), 0, count - 1);
        clear();
        endRemoveRows();
    } else {
        BeginChange();
        clear();
        EndChange();
    }
}

void TrackList::PrefetchRow(int row) const
{
    // Two steps: the row's slot first, its texts (whose address the slot holds) when the slot
    // has had time to arrive.
    constexpr int kSlotAhead = 8;
    if (row + kSlotAhead >= 0 && row + kSlotAhead < GetItemCount())
        __builtin_prefetch(&m_slots[m_order[row + kSlotAhead]]);
    if (row >= 0 && row < GetItemCount())
        m_slots[m_order[row]].m_texts.Prefetch();
}

TrackList::RowId TrackList::IdOfRow(int row) const
{
    if (row < 0 || row >= GetItemCount())
        return 0;
    return m_slots[m_order[row]].m_nId;
}

int TrackList::RowOfId(RowId id) const
{
    const std::uint64_t slot = id & kSlotMask;
    if (slot >= m_slots.size() || !m_slots[slot].m_bUsed || m_slots[slot].m_nId != id)
        return -1;
    if (!m_bRowIndexValid)
        RebuildRowIndex();
    return m_rowOfSlot[slot];
}

int TrackList::GetNextSelected(int after) const
{
    if (!m_bSelectedValid) {
        m_selectedRows.clear();
        for (std::size_t i = 0; i < m_order.size(); ++i) {
            if (m_slots[m_order[i]].m_bSelected)
                m_selectedRows.push_back(static_cast<int>(i));
        }
        m_bSelectedValid = true;
    }
    auto it = std::upper_bound(m_selectedRows.begin(), m_selectedRows.end(), after);
    return it == m_selectedRows.end() ? -1 : *it;
}

bool TrackList::IsSelected(int row) const
{
    if (row < 0 || row >= GetItemCount())
        return false;
    return m_slots[m_order[row]].m_bSelected;
}

void TrackList::SetSelected(int row, bool selected)
{
    if (row < 0 || row >= GetItemCount())
        return;
    Row& target = m_slots[m_order[row]];
    if (target.m_bSelected == selected)
        return;
    target.m_bSelected = selected;
    m_nSelected += selected ? 1 : -1;
    m_bSelectedValid = false;
    m_bSelectionDirty = true;
    // One selection model call per row costs time in the number of selected ranges; the
    // model is brought up to date once, later.
    if (!m_bPushQueued) {
        m_bPushQueued = true;
        QMetaObject::invokeMethod(this, &TrackList::FlushSelection, Qt::QueuedConnection);
    }
}

void TrackList::FlushSelection()
{
    m_bPushQueued = false;
    if (m_bSelectionDirty && CanSignalRows())
        PushSelection();
}

int TrackList::GetSelectedCount() const
{
    return m_nSelected;
}

void TrackList::SelectAll()
{
    for (std::uint32_t slot : m_order)
        m_slots[slot].m_bSelected = true;
    m_nSelected = GetItemCount();
    m_bSelectedValid = false;
    if (m_order.empty())
        return;
    if (!CanSignalRows()) {
        m_bSelectionDirty = true;
        return;
    }
    m_bPushingSelection = true;
    m_selection.select(QItemSelection(index(0, 0), index(GetItemCount() - 1, ColumnCount - 1)),
        QItemSelectionModel::ClearAndSelect);
    m_bPushingSelection = false;
}

void TrackList::InvertSelection()
{
    for (std::uint32_t slot : m_order)
        m_slots[slot].m_bSelected = !m_slots[slot].m_bSelected;
    m_nSelected = GetItemCount() - m_nSelected;
    m_bSelectedValid = false;
    if (!CanSignalRows()) {
        m_bSelectionDirty = true;
        return;
    }
    PushSelection();
}

void TrackList::PushSelection()
{
    QItemSelection ranges;
    const int count = GetItemCount();
    for (int i = 0; i < count;) {
        if (!m_slots[m_order[i]].m_bSelected) {
            ++i;
            continue;
        }
        int last = i;
        while (last + 1 < count && m_slots[m_order[last + 1]].m_bSelected)
            ++last;
        ranges.append(QItemSelectionRange(index(i, 0), index(last, ColumnCount - 1)));
        i = last + 1;
    }
    // Clearing first and selecting into an empty selection keeps the model's comparison of
    // old and new ranges linear.
    m_bPushingSelection = true;
    if (m_selection.hasSelection())
        m_selection.clearSelection();
    if (!ranges.isEmpty())
        m_selection.select(ranges, QItemSelectionModel::Select);
    m_bPushingSelection = false;
    m_bSelectionDirty = false;
}

void TrackList::TakeSelection(const QItemSelection& selected, const QItemSelection& deselected)
{
    if (m_bPushingSelection || m_bLayoutPending)
        return;
    const int count = GetItemCount();
    auto apply = [this, count](const QItemSelection& ranges, bool on) {
        for (const QItemSelectionRange& range : ranges) {
            if (range.left() > ColFile || range.right() < ColFile)
                continue;
            const int last = std::min(range.bottom(), count - 1);
            for (int row = std::max(range.top(), 0); row <= last; ++row) {
                bool& bit = m_slots[m_order[row]].m_bSelected;
                if (bit != on)
                    m_nSelected += on ? 1 : -1;
                bit = on;
            }
        }
    };
    apply(deselected, false);
    apply(selected, true);
    m_bSelectedValid = false;
}

void TrackList::SortOnHeaderClick(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_bSortAscending = column == m_nSortColumn ? !m_bSortAscending : true;
    m_nSortColumn = column;
    if (m_order.size() < 2)
        return;
    // Each row is keyed by its text as the click found it, in the collation of the loading
    // order (the File column's keys are already at hand); the sort is stable, so rows with
    // equal keys keep their order.
    std::vector<std::string> made;
    if (column != ColFile) {
        made.reserve(m_order.size());
        for (std::uint32_t slot : m_order)
            made.emplace_back(m_keys.KeyOf(CellOf(m_slots[slot], column)));
    }
    std::vector<std::pair<std::string_view, std::uint32_t>> keyed;
    keyed.reserve(m_order.size());
    for (std::size_t i = 0; i < m_order.size(); ++i) {
        const std::uint32_t slot = m_order[i];
        keyed.emplace_back(column == ColFile ? m_slots[slot].m_texts.FileKey() : made[i], slot);
    }
    if (m_bSortAscending) {
        std::stable_sort(keyed.begin(), keyed.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
    } else {
        std::stable_sort(keyed.begin(), keyed.end(),
            [](const auto& a, const auto& b) { return b.first < a.first; });
    }
    BeginChange();
    for (std::size_t i = 0; i < keyed.size(); ++i)
        m_order[i] = keyed[i].second;
    m_bFileOrdered = false;
    RowsChanged();
    EndChange();
}

void TrackList::BeginLayout()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_layoutFrom = persistentIndexList();
    m_layoutIds.clear();
    m_layoutIds.reserve(m_layoutFrom.size());
    for (const QModelIndex& from : m_layoutFrom)
        m_layoutIds.push_back(IdOfRow(from.row()));
    m_nLayoutRowCount = GetItemCount();
    m_bLayoutPending = true;
}

void TrackList::EndLayout()
{
    QModelIndexList to;
    to.reserve(m_layoutFrom.size());
    for (qsizetype i = 0; i < m_layoutFrom.size(); ++i) {
        const int row = RowOfId(m_layoutIds[i]);
        to.append(row < 0 ? QModelIndex() : index(row, m_layoutFrom[i].column()));
    }
    changePersistentIndexList(m_layoutFrom, to);
    m_layoutFrom.clear();
    m_layoutIds.clear();
    m_bLayoutPending = false;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    // The selection model rebuilds its ranges from the persistent indexes; when rows came or
    // went make sure it shows exactly the rows' selection (it drops a whole-table selection
    // whose size changed).
    const bool countChanged = m_nLayoutRowCount != GetItemCount();
    if (m_bSelectionDirty || (countChanged && (m_nSelected > 0 || m_selection.hasSelection())))
        PushSelection();
}

void TrackList::BeginChange()
{
    if (!m_bLayoutPending)
        BeginLayout();
}

void TrackList::EndChange()
{
    if (m_bRedraw)
        EndLayout();
}

void TrackList::SetRedraw(bool on)
{
    if (!on) {
        m_bRedraw = false;
        return;
    }
    if (m_bRedraw)
        return;
    m_bRedraw = true;
    if (m_bLayoutPending) {
        EndLayout();
    } else {
        if (m_bSelectionDirty)
            PushSelection();
        if (m_nDirtyFirst >= 0 && m_nDirtyLast < GetItemCount())
            emit dataChanged(index(m_nDirtyFirst, 0), index(m_nDirtyLast, ColumnCount - 1));
    }
    m_nDirtyFirst = -1;
    m_nDirtyLast = -1;
}

int TrackList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : GetItemCount();
}

int TrackList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrackList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= GetItemCount() || index.column() >= ColumnCount)
        return QVariant();
    if (role != Qt::DisplayRole)
        return QVariant();
    const std::string_view text = CellOf(m_slots[m_order[index.row()]], index.column());
    // A byte the tag code page does not define is shown as the replacement character.
    if (IsTagColumn(index.column()) && text.find('\xEE') != std::string_view::npos) {
        const std::string shown = ShowRawBytes(text);
        return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QVariant TrackList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < ColumnCount)
        return QString::fromLatin1(ColumnTitle(section));
    return QAbstractTableModel::headerData(section, orientation, role);
}
