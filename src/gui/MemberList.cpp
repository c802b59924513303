#include "MemberList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <numeric>

#include "Icons.h"
#include "io/OutputName.h"
#include "present/ContainerText.h"

namespace corvane::gui {

void MemberListModel::SetMembers(const XmitInfo& info, present::DateOrder order) {
    beginResetModel();
    info_ = &info;
    listsFiles_ = false;
    files_.clear();
    dateOrder_ = order;
    const bool ispf = info.Dataset.IspfDirectory;
    columns_ = info.Partitioned ? present::MemberColumns(ispf) : std::vector<present::Column>{};
    ResetRows(info.Members.size());
    endResetModel();
}

void MemberListModel::SetFiles(std::vector<present::Column> columns, std::vector<ListedFile> files,
                               QString tip) {
    beginResetModel();
    info_ = nullptr;
    listsFiles_ = true;
    // Texts from the file: control characters are shown escaped.
    for (ListedFile& f : files) {
        for (std::string& cell : f.Cells) cell = DisplayName(cell);
    }
    files_ = std::move(files);
    fileTip_ = std::move(tip);
    columns_ = std::move(columns);
    ResetRows(files_.size());
    endResetModel();
}

void MemberListModel::SetTapeFiles(const TapeInfo& tape, std::vector<std::string> contents) {
    contents.resize(tape.Files.size());
    std::vector<ListedFile> files;
    for (std::size_t k = 0; k < tape.Files.size(); ++k) {
        const TapeFileInfo& file = tape.Files[k];
        // A tape file goes by its dataset name, or by its place without labels.
        files.push_back({file.Dsn,
                         file.Dsn.empty() ? "File " + std::to_string(file.Number) : file.Dsn,
                         present::TapeFileCells(file, contents[k])});
    }
    SetFiles(present::TapeColumns(), std::move(files),
             "A file of the tape: View shows it in the tree");
}

void MemberListModel::SetZipEntries(const std::vector<ZipDirEntry>& entries,
                                    std::vector<std::string> contents) {
    contents.resize(entries.size());
    std::vector<ListedFile> files;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        files.push_back({EntryFileName(entries[k].FileName), entries[k].FileName,
                         present::ZipEntryCells(entries[k], contents[k])});
    }
    SetFiles(present::ZipEntryColumns(), std::move(files),
             "An entry of the archive: View shows it in the tree");
}

void MemberListModel::ResetRows(std::size_t count) {
    cachedMember_ = -1;
    sorted_.resize(count);
    std::iota(sorted_.begin(), sorted_.end(), 0);
    names_ = NameFilter();
    only_.clear();
    order_ = sorted_;
}

std::string MemberListModel::ItemName(int member) const {
    const auto k = static_cast<std::size_t>(member);
    if (listsFiles_) return files_[k].Name;
    return present::TrimmedName(info_->Members[k].Name);
}

const std::vector<std::string>& MemberListModel::Cells(int member) const {
    if (member != cachedMember_) {
        const auto k = static_cast<std::size_t>(member);
        if (listsFiles_) return files_[k].Cells;
        cachedCells_ =
            present::MemberCells(info_->Members[k], info_->Dataset.IspfDirectory, dateOrder_);
        // Texts from the file: control characters are shown escaped.
        for (std::string& cell : cachedCells_) cell = DisplayName(cell);
        cachedMember_ = member;
    }
    return cachedCells_;
}

void MemberListModel::Clear() {
    beginResetModel();
    info_ = nullptr;
    listsFiles_ = false;
    files_.clear();
    columns_.clear();
    cachedMember_ = -1;
    cachedCells_ = {};
    sorted_ = {};
    order_ = {};
    names_ = NameFilter();
    only_.clear();
    endResetModel();
}

int MemberListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int MemberListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString MemberListModel::Text(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
    const auto& cells = Cells(MemberAt(row));
    const auto k = static_cast<std::size_t>(column);
    return k < cells.size() ? QString::fromStdString(cells[k]) : QString();
}

QString MemberListModel::ColumnCaption(int column) const {
    if (column < 0 || column >= columnCount()) return {};
    return QString::fromStdString(columns_[static_cast<std::size_t>(column)].Caption);
}

int MemberListModel::RowOfMember(int member) const {
    const auto at = std::find(order_.begin(), order_.end(), member);
    return at == order_.end() ? -1 : static_cast<int>(at - order_.begin());
}

ListedMember MemberListModel::Member(int row) const {
    if (row < 0 || row >= rowCount() || (!info_ && !listsFiles_)) return {};
    const int k = MemberAt(row);
    if (listsFiles_)
        return {QString::fromStdString(files_[static_cast<std::size_t>(k)].Caption), 0, k};
    const MemberEntry& m = info_->Members[static_cast<std::size_t>(k)];
    return {QString::fromStdString(m.Name), m.Ttr, k};
}

QVariant MemberListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return Text(index.row(), index.column());
    if (role == Qt::ToolTipRole && listsFiles_) return fileTip_;
    if ((role == Qt::DecorationRole || role == Qt::ToolTipRole) && index.column() == 0 && info_) {
        // A member that holds a transmission is marked; View opens it.
        const MemberEntry& m = info_->Members[static_cast<std::size_t>(MemberAt(index.row()))];
        if (!m.HoldsXmit) return {};
        if (role == Qt::ToolTipRole) return QString("An XMIT file: View shows it in the tree");
        if (nestedIcon_.isNull()) nestedIcon_ = MakeIcon(IconKind::Open);
        return nestedIcon_;
    }
    if (role == Qt::TextAlignmentRole) {
        // Names and the attribute list read from the left; the short
        // columns are centred.
        const present::Column& c = columns_[static_cast<std::size_t>(index.column())];
        if (index.column() == 0 || c.LeftAligned)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignCenter);
    }
    return {};
}

QVariant MemberListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    if (role == Qt::DisplayRole) return ColumnCaption(section);
    if (role == Qt::TextAlignmentRole) {
        if (section == 0 || columns_[static_cast<std::size_t>(section)].LeftAligned)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignCenter);
    }
    return {};
}

// Dates, versions and counts compare by their values; texts as they read.
std::string MemberListModel::SortKey(int member, int column) const {
    const auto k = static_cast<std::size_t>(column);
    if (listsFiles_) {
        // The centred columns hold counts: they compare as numbers.
        const auto& cells = Cells(member);
        const std::string cell = k < cells.size() ? cells[k] : std::string();
        if (columns_[k].LeftAligned && column != 0) return cell;
        return present::CountSortKey(cell);
    }
    const MemberEntry& m = info_->Members[static_cast<std::size_t>(member)];
    // The name and the statistics sort without making the row.
    if (auto key = present::MemberSortKey(m, columns_[k].Caption)) return *key;
    const auto& cells = Cells(member);
    return k < cells.size() ? cells[k] : std::string();
}

void MemberListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount()) return;
    std::vector<std::string> keys(sorted_.size());
    for (std::size_t k = 0; k < keys.size(); ++k) keys[k] = SortKey(static_cast<int>(k), column);
    std::iota(sorted_.begin(), sorted_.end(), 0);
    std::stable_sort(sorted_.begin(), sorted_.end(), [&](int a, int b) {
        const auto& ka = keys[static_cast<std::size_t>(a)];
        const auto& kb = keys[static_cast<std::size_t>(b)];
        return order == Qt::AscendingOrder ? ka < kb : kb < ka;
    });
    Relayout();
}

void MemberListModel::Unsort() {
    if (std::is_sorted(sorted_.begin(), sorted_.end())) return;
    std::iota(sorted_.begin(), sorted_.end(), 0);
    Relayout();
}

bool MemberListModel::Shown(int member) const {
    const auto k = static_cast<std::size_t>(member);
    if (!only_.empty() && (k >= only_.size() || !only_[k])) return false;
    return names_.Empty() || names_.Matches(ItemName(member));
}

void MemberListModel::SetFilter(const NameFilter& names, std::vector<bool> only) {
    names_ = names;
    only_ = std::move(only);
    Relayout();
}

void MemberListModel::Relayout() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> memberOf;
    memberOf.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before)
        memberOf.push_back(i.row() < rowCount() ? MemberAt(i.row()) : -1);

    order_.clear();
    for (int m : sorted_) {
        if (Shown(m)) order_.push_back(m);
    }
    std::vector<int> rowOf(sorted_.size(), -1);
    for (std::size_t row = 0; row < order_.size(); ++row)
        rowOf[static_cast<std::size_t>(order_[row])] = static_cast<int>(row);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k) {
        const int member = memberOf[static_cast<std::size_t>(k)];
        const int row = member < 0 ? -1 : rowOf[static_cast<std::size_t>(member)];
        after << (row < 0 ? QModelIndex() : index(row, before[k].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

MemberView::MemberView(QWidget* parent) : QTreeView(parent), model_(new MemberListModel(this)) {
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, &MemberView::HeaderClicked);
    connect(model_, &QAbstractItemModel::modelReset, this, &MemberView::ApplyColumns);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (inKey_) emit SelectionKey();
    });
}

void MemberView::ApplyColumns() {
    sortColumn_ = -1;
    header()->setSortIndicatorShown(false);
    // Widths are given for an 8-point dialog font; wider fonts widen them.
    const double scale = std::max(1.0, fontMetrics().averageCharWidth() / 5.0);
    for (int c = 0; c < model_->columnCount(); ++c) {
        int width = static_cast<int>(model_->ColumnWidth(c) * scale);
        // "Alias?" holds one short word: it needs no more than its caption.
        if (model_->ColumnCaption(c) == "Alias?")
            width = fontMetrics().horizontalAdvance(model_->ColumnCaption(c)) + 20;
        setColumnWidth(c, width);
    }
}

void MemberView::HeaderClicked(int section) {
    if (section < 0 || section >= model_->columnCount()) return;
    if (section == sortColumn_) {
        sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    } else {
        sortColumn_ = section;
        sortOrder_ = Qt::AscendingOrder;
    }
    model_->sort(sortColumn_, sortOrder_);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(sortColumn_, sortOrder_);
}

void MemberView::SetRowSelected(int row, bool selected) {
    if (row < 0 || row >= RowCount()) return;
    selectionModel()->select(model_->index(row, 0), (selected ? QItemSelectionModel::Select
                                                              : QItemSelectionModel::Deselect) |
                                                        QItemSelectionModel::Rows);
}

QList<int> MemberView::SelectedRowNumbers() const {
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows()) rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MemberView::ShowRow(int row) {
    const QModelIndex index = model_->index(row, 0);
    if (!index.isValid()) return;
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

QList<ListedMember> MemberView::SelectedMembers() const {
    QList<ListedMember> members;
    for (int row : SelectedRowNumbers()) members << model_->Member(row);
    return members;
}

int MemberView::SelectedCount() const {
    return static_cast<int>(selectionModel()->selectedRows().size());
}

void MemberView::ShowGridLines(bool on) {
    setProperty("gridLines", on);
    setStyleSheet(on ? "QTreeView { background: white; color: black; } QTreeView::item { "
                       "border-right: 1px solid #d4d4d4; border-bottom: 1px solid #d4d4d4; } "
                       "QTreeView::item:selected { background: palette(highlight); color: "
                       "palette(highlighted-text); }"
                     : "QTreeView { background: white; color: black; }");
}

void MemberView::SetPlaceholder(const QString& text) {
    placeholder_ = text;
    viewport()->update();
}

void MemberView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        // With nothing selected, Enter takes the row the cursor is on.
        if (selectionModel()->selectedRows().isEmpty() && currentIndex().isValid()) {
            inKey_ = true;
            selectionModel()->select(
                currentIndex(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            inKey_ = false;
        }
        emit EnterPressed();
        event->accept();
        return;
    }
    inKey_ = true;  // a selection this key changes is reported
    QTreeView::keyPressEvent(event);
    inKey_ = false;
}

void MemberView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit Clicked();
}

void MemberView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (placeholder_.isEmpty() || model_->rowCount() > 0) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, placeholder_);
}

}  // namespace corvane::gui
