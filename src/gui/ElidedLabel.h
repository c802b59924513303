#pragma once

#include <QLabel>

namespace corvane::gui {

// A one-line label that never asks for more width than it is given: a text
// too long for it is drawn shortened, with the whole text in its tooltip.
// text() keeps the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ElidedLabel(QWidget* parent = nullptr, Qt::TextElideMode mode = Qt::ElideRight);
    // Clears the note.
    void SetFullText(const QString& text);
    // A warning shown beside the text; the tooltip holds its full text.
    void SetNote(const QString& shortText, const QString& fullText);
    const QString& Note() const { return note_; }
    bool Elided() const;
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void UpdateToolTip();
    Qt::TextElideMode mode_;
    QString note_;
};

}  // namespace corvane::gui
