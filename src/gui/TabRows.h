#pragma once

#include <QWidget>
#include <vector>

class QTabWidget;

namespace corvane::gui {

// The tabs of a page control on as many rows as its width needs, so that
// every page stays reachable however narrow the control is. It stands in
// for the page control's own one-row tab bar, which it hides; the row that
// holds the current tab is the one next to the page.
class TabRows : public QWidget {
    Q_OBJECT
  public:
    explicit TabRows(QTabWidget& pages, QWidget* parent = nullptr);

    int RowCount() const;
    // After a tab's caption changed: the rows laid out again.
    void Refresh();
    // Where tab k is drawn (empty when it has no place).
    QRect TabRect(int k) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Tab numbers per row, top row first, for a given width.
    std::vector<std::vector<int>> Rows(int width) const;
    int TabWidth(int k) const;
    int RowHeight() const;
    int TabAt(const QPoint& point) const;

    QTabWidget& pages_;
};

}  // namespace corvane::gui
