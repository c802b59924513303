#pragma once

#include <QAbstractTableModel>
#include <QTreeView>
#include <cstdint>
#include <vector>

#include "ports/MemberListTarget.h"

namespace corvane::gui {

// One listed member as the commands see it: the caption (the member name as
// listed, trailing blanks kept) and the TTR of its directory entry.
struct ListedMember {
    QString Caption;
    std::uint32_t Ttr = 0;
};

// The member list of the open file as a table model over the rows the
// decoder produced. Rows arrive through the list port while the file is
// decoded and are shown together when Publish is called. Sorting reorders
// an index only; the rows stay in directory order underneath.
class MemberListModel : public QAbstractTableModel, public MemberListTarget {
    Q_OBJECT
  public:
    explicit MemberListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // The list port of the decoder.
    void AddColumn(const std::string& caption, int width, ColumnAlign align) override;
    void AddRow(MemberRow row) override;

    // Shows what the decoder has added since the last Publish or Clear.
    void Publish();
    void Clear();
    // Day first in the date columns; sorting by date reads them that way.
    void SetDayFirst(bool dayFirst) { dayFirst_ = dayFirst; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;
    // Back to directory order.
    void Unsort();

    ListedMember Member(int row) const;
    QString Text(int row, int column) const;
    int ColumnWidth(int column) const {
        return columns_.at(static_cast<std::size_t>(column)).Width;
    }
    QString ColumnCaption(int column) const;

  private:
    struct Column {
        std::string Caption;
        int Width = 0;
        ColumnAlign Align = ColumnAlign::Center;
    };
    const MemberRow& RowAt(int row) const;
    std::string SortKey(const MemberRow& row, int column) const;

    std::vector<Column> columns_, stagedColumns_;
    std::vector<MemberRow> rows_, stagedRows_;
    std::vector<int> order_;  // display row -> directory row
    bool dayFirst_ = true;
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
    QList<int> SelectedRowNumbers() const;
    QList<ListedMember> SelectedMembers() const;
    int SelectedCount() const;

    // Shown in place of rows while the list is empty.
    void SetPlaceholder(const QString& text);
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
