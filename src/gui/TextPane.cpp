#include "TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QtMath>
#include <algorithm>

namespace corvane::gui {

TextPane::TextPane(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    Clear();
}

int TextPane::LineHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}
qreal TextPane::CharWidth() const {
    // The advance as the text is laid out: fractional, so that a selection
    // drawn at column * width sits on the characters of a long line.
    return std::max<qreal>(1, QFontMetricsF(font()).horizontalAdvance(QLatin1Char('M')));
}

void TextPane::Clear() {
    text_.clear();
    starts_.assign(1, 0);  // an empty text still has one empty line
    longest_ = 0;
    anchor_ = cursor_ = {};
    UpdateScrollBars();
    viewport()->update();
}

void TextPane::SetText(std::string utf8) {
    text_ = std::move(utf8);
    starts_.clear();
    starts_.reserve(text_.size() / 64 + 1);
    starts_.push_back(0);
    longest_ = 0;
    std::size_t from = 0;
    for (std::size_t at = text_.find('\n'); at != std::string::npos;
         at = text_.find('\n', at + 1)) {
        longest_ = std::max(longest_, static_cast<int>(at - from));
        starts_.push_back(static_cast<std::uint32_t>(at + 1));
        from = at + 1;
    }
    longest_ = std::max(longest_, static_cast<int>(text_.size() - from));
    anchor_ = cursor_ = {};
    UpdateScrollBars();
    viewport()->update();
}

void TextPane::AppendLine(std::string_view utf8) {
    if (!(text_.empty() && starts_.size() == 1)) {
        text_.push_back('\n');
        starts_.push_back(static_cast<std::uint32_t>(text_.size()));
    }
    text_.append(utf8);
    longest_ = std::max(longest_, static_cast<int>(utf8.size()));
    UpdateScrollBars();
    viewport()->update();
}

std::string_view TextPane::LineView(std::size_t index) const {
    const std::size_t begin = starts_[index];
    const std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] - 1 : text_.size();
    return std::string_view(text_).substr(begin, end - begin);
}

QString TextPane::Line(std::size_t index) const {
    if (index >= starts_.size()) return {};
    std::string_view v = LineView(index);
    return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
}

QString TextPane::toPlainText() const {
    return QString::fromUtf8(text_.data(), static_cast<qsizetype>(text_.size()));
}

void TextPane::UpdateScrollBars() {
    const int visibleLines = std::max(1, viewport()->height() / LineHeight());
    const auto lines = static_cast<long long>(starts_.size());
    verticalScrollBar()->setRange(0, static_cast<int>(std::max(0LL, lines - visibleLines)));
    verticalScrollBar()->setPageStep(visibleLines);
    verticalScrollBar()->setSingleStep(1);
    const int width = qCeil((longest_ + 1) * CharWidth());
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(qRound(CharWidth()));
}

void TextPane::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TextPane::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateScrollBars();
}

void TextPane::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int h = LineHeight();
    const qreal cw = CharWidth();
    const int ascent = fontMetrics().ascent();
    const int x0 = 2 - horizontalScrollBar()->value();
    const std::size_t first = static_cast<std::size_t>(verticalScrollBar()->value());
    const int rows = viewport()->height() / h + 2;
    const Position from = std::min(anchor_, cursor_);
    const Position to = std::max(anchor_, cursor_);
    const QPalette& pal = palette();
    for (int r = 0; r < rows; ++r) {
        const std::size_t line = first + static_cast<std::size_t>(r);
        if (line >= starts_.size()) break;
        const int y = r * h;
        const QString text = Line(line);
        if (!(from == to) && line >= from.Line && line <= to.Line) {
            const int a = line == from.Line ? from.Column : 0;
            const int b = line == to.Line ? to.Column : static_cast<int>(text.size()) + 1;
            p.fillRect(QRectF(x0 + a * cw, y, std::max(0, b - a) * cw, h), pal.highlight());
        }
        p.setPen(pal.color(QPalette::Text));
        p.drawText(QPointF(x0, y + ascent), text);
        if (!(from == to) && line >= from.Line && line <= to.Line) {
            const int a = line == from.Line ? from.Column : 0;
            const int b = line == to.Line ? to.Column : static_cast<int>(text.size());
            if (b > a) {
                p.setPen(pal.color(QPalette::HighlightedText));
                p.drawText(QPointF(x0 + a * cw, y + ascent), text.mid(a, b - a));
            }
        }
    }
    if (hasFocus()) {
        const long long row = static_cast<long long>(cursor_.Line) - static_cast<long long>(first);
        if (row >= 0 && row < rows) {
            p.setPen(pal.color(QPalette::Text));
            const qreal x = x0 + cursor_.Column * cw;
            p.drawLine(QPointF(x, static_cast<int>(row) * h),
                       QPointF(x, static_cast<int>(row + 1) * h - 1));
        }
    }
}

TextPane::Position TextPane::At(const QPoint& point) const {
    Position p;
    const long long line = verticalScrollBar()->value() + point.y() / LineHeight();
    p.Line =
        static_cast<std::size_t>(std::clamp(line, 0LL, static_cast<long long>(starts_.size()) - 1));
    const int column = static_cast<int>(
        (point.x() - 2 + horizontalScrollBar()->value() + CharWidth() / 2) / CharWidth());
    p.Column = std::clamp(column, 0, static_cast<int>(Line(p.Line).size()));
    return p;
}

void TextPane::MoveCursor(Position to, bool extend) {
    cursor_ = to;
    if (!extend) anchor_ = to;
    EnsureVisible(to);
    viewport()->update();
}

void TextPane::EnsureVisible(const Position& p) {
    QScrollBar* v = verticalScrollBar();
    const int rows = std::max(1, viewport()->height() / LineHeight());
    if (static_cast<long long>(p.Line) < v->value()) v->setValue(static_cast<int>(p.Line));
    if (static_cast<long long>(p.Line) >= v->value() + rows)
        v->setValue(static_cast<int>(p.Line) - rows + 1);
    QScrollBar* hb = horizontalScrollBar();
    const int x = qFloor(p.Column * CharWidth());
    const int cw = qCeil(CharWidth());
    if (x < hb->value()) hb->setValue(x);
    if (x > hb->value() + viewport()->width() - cw) hb->setValue(x - viewport()->width() + cw);
}

void TextPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    MoveCursor(At(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void TextPane::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) MoveCursor(At(event->position().toPoint()), true);
}

void TextPane::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) return selectAll();
    if (event->matches(QKeySequence::Copy)) return copy();
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const int rows = std::max(1, viewport()->height() / LineHeight());
    Position p = cursor_;
    const long long last = static_cast<long long>(starts_.size()) - 1;
    auto lineTo = [&](long long line) {
        p.Line = static_cast<std::size_t>(std::clamp(line, 0LL, last));
        p.Column = std::min(p.Column, static_cast<int>(Line(p.Line).size()));
    };
    switch (event->key()) {
        case Qt::Key_Up:
            lineTo(static_cast<long long>(p.Line) - 1);
            break;
        case Qt::Key_Down:
            lineTo(static_cast<long long>(p.Line) + 1);
            break;
        case Qt::Key_PageUp:
            lineTo(static_cast<long long>(p.Line) - rows);
            break;
        case Qt::Key_PageDown:
            lineTo(static_cast<long long>(p.Line) + rows);
            break;
        case Qt::Key_Left:
            p.Column = std::max(0, p.Column - 1);
            break;
        case Qt::Key_Right:
            p.Column = std::min(static_cast<int>(Line(p.Line).size()), p.Column + 1);
            break;
        case Qt::Key_Home:
            if (event->modifiers() & Qt::ControlModifier) p.Line = 0;
            p.Column = 0;
            break;
        case Qt::Key_End:
            if (event->modifiers() & Qt::ControlModifier) p.Line = static_cast<std::size_t>(last);
            p.Column = static_cast<int>(Line(p.Line).size());
            break;
        default:
            return QAbstractScrollArea::keyPressEvent(event);
    }
    MoveCursor(p, extend);
}

void TextPane::selectAll() {
    anchor_ = {};
    cursor_.Line = starts_.size() - 1;
    cursor_.Column = static_cast<int>(Line(cursor_.Line).size());
    viewport()->update();
}

QString TextPane::SelectedText() const {
    const Position from = std::min(anchor_, cursor_);
    const Position to = std::max(anchor_, cursor_);
    if (from == to) return {};
    QString out;
    for (std::size_t line = from.Line; line <= to.Line; ++line) {
        const QString text = Line(line);
        const int a = line == from.Line ? from.Column : 0;
        const int b = line == to.Line ? to.Column : static_cast<int>(text.size());
        out += text.mid(a, b - a);
        if (line != to.Line) out += '\n';
    }
    return out;
}

void TextPane::copy() const {
    QApplication::clipboard()->setText(SelectedText());
}

void TextPane::MoveToStart() {
    anchor_ = cursor_ = {};
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

TextPane::Position TextPane::AtByte(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    const auto next = std::upper_bound(starts_.begin(), starts_.end(), offset);
    Position p;
    p.Line = static_cast<std::size_t>(next - starts_.begin()) - 1;
    const std::string_view head = LineView(p.Line).substr(0, offset - starts_[p.Line]);
    p.Column = static_cast<int>(
        QString::fromUtf8(head.data(), static_cast<qsizetype>(head.size())).size());
    return p;
}

std::size_t TextPane::ByteOf(const Position& p) const {
    return starts_[p.Line] + static_cast<std::size_t>(Line(p.Line).left(p.Column).toUtf8().size());
}

std::pair<std::size_t, std::size_t> TextPane::SelectedBytes() const {
    return {ByteOf(std::min(anchor_, cursor_)), ByteOf(std::max(anchor_, cursor_))};
}

void TextPane::SelectBytes(std::size_t begin, std::size_t end) {
    anchor_ = AtByte(begin);
    cursor_ = AtByte(end);
    EnsureVisible(cursor_);
    EnsureVisible(anchor_);  // the start of a long match wins
    viewport()->update();
}

void TextPane::print(QPrinter* printer) const {
    QPainter p(printer);
    p.setFont(font());
    const QFontMetrics metrics(font(), printer);
    const int h = std::max(1, metrics.lineSpacing());
    const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
    const int perPage = std::max(1, page.height() / h);
    for (std::size_t line = 0; line < starts_.size(); ++line) {
        const int row = static_cast<int>(line % static_cast<std::size_t>(perPage));
        if (row == 0 && line > 0) printer->newPage();
        p.drawText(0, row * h + metrics.ascent(), Line(line));
    }
}

}  // namespace corvane::gui
