#include "TabRows.h"

#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolTip>

namespace corvane::gui {

namespace {
constexpr int kPadding = 8;  // each side of a caption
}

TabRows::TabRows(QTabWidget& pages, QWidget* parent) : QWidget(parent), pages_(pages) {
    pages_.tabBar()->hide();
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMouseTracking(false);
    connect(&pages_, &QTabWidget::currentChanged, this, [this] { update(); });
}

int TabRows::TabWidth(int k) const {
    // As wide as the style draws a tab with this caption, so that no
    // caption is cut: the style's own margins, not a guess at them.
    QStyleOptionTab option;
    option.initFrom(this);
    option.shape = QTabBar::RoundedNorth;
    option.text = pages_.tabText(k);
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, option.text);
    const int space = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
    const QSize tab = style()->sizeFromContents(QStyle::CT_TabBarTab, &option,
                                                QSize(text.width() + space, text.height()), this);
    return std::max(tab.width(), text.width() + 2 * kPadding);
}

int TabRows::RowHeight() const {
    return fontMetrics().height() + 10;
}

std::vector<std::vector<int>> TabRows::Rows(int width) const {
    std::vector<std::vector<int>> rows;
    int used = 0;
    for (int k = 0; k < pages_.count(); ++k) {
        const int w = TabWidth(k);
        if (rows.empty() || (used + w > width && !rows.back().empty())) {
            rows.emplace_back();
            used = 0;
        }
        rows.back().push_back(k);
        used += w;
    }
    // The row of the current tab moves next to the page.
    const int current = pages_.currentIndex();
    for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
        if (std::find(rows[r].begin(), rows[r].end(), current) != rows[r].end()) {
            std::rotate(rows.begin() + static_cast<std::ptrdiff_t>(r),
                        rows.begin() + static_cast<std::ptrdiff_t>(r) + 1, rows.end());
            break;
        }
    }
    return rows;
}

int TabRows::RowCount() const {
    return static_cast<int>(Rows(width()).size());
}

int TabRows::heightForWidth(int width) const {
    return std::max<int>(1, static_cast<int>(Rows(width).size())) * RowHeight();
}

QSize TabRows::sizeHint() const {
    int total = 0;
    for (int k = 0; k < pages_.count(); ++k) total += TabWidth(k);
    return {total, heightForWidth(width() > 0 ? width() : total)};
}

QSize TabRows::minimumSizeHint() const {
    return {0, RowHeight()};
}

QRect TabRows::TabRect(int k) const {
    const auto rows = Rows(width());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        // Each row is stretched over the whole width, as the tabs of a
        // multi-line page control are.
        int natural = 0;
        for (int t : rows[r]) natural += TabWidth(t);
        const int spare = rows.size() > 1 ? std::max(0, width() - natural) : 0;
        int x = 0;
        for (std::size_t i = 0; i < rows[r].size(); ++i) {
            const int t = rows[r][i];
            int w = TabWidth(t) + spare / static_cast<int>(rows[r].size());
            if (i + 1 == rows[r].size() && rows.size() > 1) w = width() - x;
            if (t == k) return {x, static_cast<int>(r) * RowHeight(), w, RowHeight()};
            x += w;
        }
    }
    return {};
}

int TabRows::TabAt(const QPoint& point) const {
    for (int k = 0; k < pages_.count(); ++k) {
        if (TabRect(k).contains(point)) return k;
    }
    return -1;
}

void TabRows::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const int current = pages_.currentIndex();
    for (int pass = 0; pass < 2; ++pass) {  // the current tab last, over its neighbours
        for (int k = 0; k < pages_.count(); ++k) {
            if ((k == current) != (pass == 1)) continue;
            QStyleOptionTab option;
            option.initFrom(this);
            option.shape = QTabBar::RoundedNorth;
            option.rect = TabRect(k);
            option.text = pages_.tabText(k);
            option.position = QStyleOptionTab::Middle;
            option.state.setFlag(QStyle::State_Selected, k == current);
            option.state.setFlag(QStyle::State_HasFocus, false);
            if (k != current) option.rect.adjust(0, 2, 0, 0);
            painter.drawControl(QStyle::CE_TabBarTab, option);
        }
    }
}

void TabRows::mousePressEvent(QMouseEvent* event) {
    const int k = TabAt(event->position().toPoint());
    if (k >= 0) {
        pages_.setCurrentIndex(k);
        updateGeometry();
    }
}

bool TabRows::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int k = TabAt(help->pos());
        if (k >= 0 && !pages_.tabToolTip(k).isEmpty()) {
            QToolTip::showText(help->globalPos(), pages_.tabToolTip(k), this, TabRect(k));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

void TabRows::Refresh() {
    updateGeometry();
    const int wanted = heightForWidth(width());
    if (height() != wanted) setFixedHeight(wanted);
    update();
}

void TabRows::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int wanted = heightForWidth(width());
    if (height() != wanted) setFixedHeight(wanted);
}

}  // namespace corvane::gui
