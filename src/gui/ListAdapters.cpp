#include "ListAdapters.h"

#include <QHeaderView>
#include <algorithm>

namespace corvane::gui {

void TreeMemberList::AddColumn(const std::string& caption, int width, ColumnAlign align) {
    const int column = tree_.columnCount();  // the window empties the list to 0 columns
    tree_.setColumnCount(column + 1);
    tree_.headerItem()->setText(column, QString::fromStdString(caption));
    const Qt::Alignment a =
        align == ColumnAlign::Left ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
    tree_.headerItem()->setTextAlignment(column, a);
    // Widths are given for an 8-point dialog font; wider fonts widen them.
    const double scale = std::max(1.0, tree_.fontMetrics().averageCharWidth() / 5.0);
    tree_.setColumnWidth(column, static_cast<int>(width * scale));
    aligns_.resize(static_cast<std::size_t>(column) + 1);
    aligns_[static_cast<std::size_t>(column)] = a;
}

void TreeMemberList::AddRow(MemberRow row) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(row.Caption));
    for (std::size_t k = 0; k < row.SubItems.size(); ++k) {
        item->setText(static_cast<int>(k + 1), QString::fromStdString(row.SubItems[k]));
    }
    for (std::size_t c = 0; c < aligns_.size(); ++c)
        item->setTextAlignment(static_cast<int>(c), aligns_[c]);
    item->setData(0, kTtrRole, row.Ttr.Get());
    tree_.addTopLevelItem(item);
}

}  // namespace corvane::gui
