#include "ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace corvane::gui {

ElidedLabel::ElidedLabel(QWidget* parent, Qt::TextElideMode mode) : QLabel(parent), mode_(mode) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void ElidedLabel::SetFullText(const QString& text) {
    note_.clear();
    setText(text);
    UpdateToolTip();
}

void ElidedLabel::SetNote(const QString& shortText, const QString& fullText) {
    setText(text() + " " + shortText);
    note_ = fullText;
    UpdateToolTip();
}

bool ElidedLabel::Elided() const {
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

QSize ElidedLabel::minimumSizeHint() const {
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(QStringLiteral("W…")) + m.left() + m.right(),
            fontMetrics().height() + m.top() + m.bottom()};
}

QSize ElidedLabel::sizeHint() const {
    return minimumSizeHint();
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect r = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), mode_, r.width());
    style()->drawItemText(&painter, r, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    UpdateToolTip();
}

void ElidedLabel::UpdateToolTip() {
    if (!note_.isEmpty()) {
        setToolTip(note_);
    } else {
        setToolTip(Elided() ? text() : QString());
    }
}

}  // namespace corvane::gui
