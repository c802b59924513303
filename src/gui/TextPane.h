#pragma once

#include <QAbstractScrollArea>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QPrinter;

namespace corvane::gui {

// A read-only, plain-text view for very long texts: the lines are kept as
// one UTF-8 buffer with an index, and only the visible lines are drawn, so a
// member of millions of lines opens at once and scrolls freely. Fixed-pitch
// font, no wrapping, both scroll bars, mouse and keyboard selection, copy
// and printing.
class TextPane : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit TextPane(QWidget* parent = nullptr);

    // Text: the whole text at once (lines separated by "\n"), or line by line.
    void SetText(std::string utf8);
    void AppendLine(std::string_view utf8);
    void Clear();
    std::size_t LineCount() const { return starts_.size(); }
    QString Line(std::size_t index) const;
    QString toPlainText() const;
    std::size_t ByteSize() const { return text_.size(); }

    void selectAll();
    void copy() const;
    QString SelectedText() const;
    // Caret to the start and the view to the top.
    void MoveToStart();
    // The text as it is held, and the selection in its byte offsets (begin
    // and end alike at the caret when nothing is selected).
    std::string_view Utf8() const { return text_; }
    std::pair<std::size_t, std::size_t> SelectedBytes() const;
    // Selects the bytes [begin, end) and scrolls them into view.
    void SelectBytes(std::size_t begin, std::size_t end);
    void print(QPrinter* printer) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Position {
        std::size_t Line = 0;
        int Column = 0;
        bool operator<(const Position& o) const {
            return Line < o.Line || (Line == o.Line && Column < o.Column);
        }
        bool operator==(const Position& o) const = default;
    };
    std::string_view LineView(std::size_t index) const;
    Position At(const QPoint& point) const;
    Position AtByte(std::size_t offset) const;
    std::size_t ByteOf(const Position& p) const;
    void UpdateScrollBars();
    void MoveCursor(Position to, bool extend);
    void EnsureVisible(const Position& p);
    int LineHeight() const;
    qreal CharWidth() const;

    std::string text_;
    std::vector<std::uint32_t> starts_;
    int longest_ = 0;  // characters of the longest line seen (bytes, an upper bound)
    Position anchor_;
    Position cursor_;
};

}  // namespace corvane::gui
