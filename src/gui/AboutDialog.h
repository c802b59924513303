#pragma once

#include <QLabel>
#include <QWidget>

namespace corvane::gui {

// A label that takes its own clicks: it tells about them, and they never
// reach the window below it.
class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The about window: a borderless black panel that closes on "OK", on its
// background, or on Esc, Enter or Space.
class AboutDialog : public QWidget {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* mainWindow);
    void ShowOver(QWidget* window);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    ClickLabel* Label1;
    ClickLabel* Label8;
    ClickLabel* Label7;
    ClickLabel* Label5;
    ClickLabel* Label6;
    ClickLabel* Image1;
    ClickLabel* Label2;
    ClickLabel* Label3;
};

}  // namespace corvane::gui
