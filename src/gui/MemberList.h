#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QTreeView>
#include <cstdint>
#include <vector>

#include "decode/XmitInfo.h"
#include "present/Presenter.h"
#include "search/NameFilter.h"
#include "tape/TapeInfo.h"
#include "zip/ZipReader.h"

namespace corvane::gui {

// One listed member as the commands see it: the caption (the member name as
// listed, trailing blanks kept), the TTR of its directory entry and its place
// in the parsed file's member vector.
struct ListedMember {
    QString Caption;
    std::uint32_t Ttr = 0;
    int Index = -1;
};

// The member list of the open file as a table model over the parsed file's
// members; the texts come from the presenter. Sorting reorders an index
// only; the members stay in directory order underneath.
class MemberListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit MemberListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Lists the members of a parsed file (which must outlive the list or be
    // cleared first), dates in the given order.
    void SetMembers(const XmitInfo& info, present::DateOrder order);
    // Lists the files of a tape; contents holds each file's content name
    // ("xmit", or empty).
    void SetTapeFiles(const TapeInfo& tape, std::vector<std::string> contents);
    // Lists the entries of a zip archive, contents as for a tape.
    void SetZipEntries(const std::vector<ZipDirEntry>& entries, std::vector<std::string> contents);
    // The rows are the files of a container (a tape, an archive), not members.
    bool ListsFiles() const { return listsFiles_; }
    void Clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;
    // Back to directory order.
    void Unsort();
    // Shows only the members whose names match the filter and, with a
    // list of flags (one per member), whose flag is set.
    void SetFilter(const NameFilter& names, std::vector<bool> only = {});
    bool Filtered() const { return !names_.Empty() || !only_.empty(); }
    bool OnlySome() const { return !only_.empty(); }
    int TotalCount() const { return static_cast<int>(sorted_.size()); }

    ListedMember Member(int row) const;
    // The row that shows a member (its index in the directory); -1 when none does.
    int RowOfMember(int member) const;
    QString Text(int row, int column) const;
    int ColumnWidth(int column) const {
        return columns_.at(static_cast<std::size_t>(column)).Width;
    }
    QString ColumnCaption(int column) const;

  private:
    int MemberAt(int row) const { return order_[static_cast<std::size_t>(row)]; }
    // The name a row is found and filtered by: a member's, or a tape file's dataset.
    std::string ItemName(int member) const;
    void ResetRows(std::size_t count);
    std::string SortKey(int member, int column) const;
    // A member's row texts, made when asked for: a list of 100,000 members
    // holds no texts but those of the row last shown.
    const std::vector<std::string>& Cells(int member) const;
    bool Shown(int member) const;
    // Makes the shown rows again from sorted_, keeping the persistent
    // indexes (the selection) of the members that stay shown.
    void Relayout();

    // A file of a container as its row shows it.
    struct ListedFile {
        std::string Name;     // what Find and the filter match
        std::string Caption;  // what the commands call it
        std::vector<std::string> Cells;
    };
    void SetFiles(std::vector<present::Column> columns, std::vector<ListedFile> files, QString tip);

    const XmitInfo* info_ = nullptr;
    bool listsFiles_ = false;
    std::vector<ListedFile> files_;
    QString fileTip_;  // the tooltip of a file's row
    present::DateOrder dateOrder_ = present::DateOrder::DayFirst;
    std::vector<present::Column> columns_;
    mutable int cachedMember_ = -1;  // the member whose texts cachedCells_ holds
    mutable std::vector<std::string> cachedCells_;
    std::vector<int> sorted_;  // every member, in the sort order
    std::vector<int> order_;   // display row -> member (the shown ones)
    NameFilter names_;
    std::vector<bool> only_;    // empty: every member
    mutable QIcon nestedIcon_;  // the mark of members holding an XMIT file
};

// The report-style view of the member list. Enter asks for the selection to
// be viewed; a click or a key that moves the selection reports it.
class MemberView : public QTreeView {
    Q_OBJECT
  public:
    explicit MemberView(QWidget* parent = nullptr);
    MemberListModel& Model() const { return *model_; }

    // Rows in display order.
    int RowCount() const { return model_->rowCount(); }
    int ColumnCount() const { return model_->columnCount(); }
    QString Text(int row, int column) const { return model_->Text(row, column); }
    void SetRowSelected(int row, bool selected);
    // Selects only this row and puts the cursor on it, in view.
    void ShowRow(int row);
    QList<int> SelectedRowNumbers() const;
    QList<ListedMember> SelectedMembers() const;
    int SelectedCount() const;

    // Shown in place of rows while the list is empty.
    void SetPlaceholder(const QString& text);
    // Lines between the cells (a library's list) or none; either way black
    // text on white, whatever the desktop's palette.
    void ShowGridLines(bool on);
    QString Placeholder() const { return placeholder_; }

  signals:
    void Clicked();
    void EnterPressed();
    void SelectionKey();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void ApplyColumns();
    void HeaderClicked(int section);

    MemberListModel* model_;
    QString placeholder_;
    bool inKey_ = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace corvane::gui
