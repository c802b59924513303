#pragma once

#include <QToolBar>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QToolButton;

namespace corvane::gui {

class TextPane;

// The find bar of a viewer: a search text, "Match case", next and previous.
// It adds Find (Ctrl+F), Find Next (F3) and Find Previous (Shift+F3) to the
// given menu and sits, hidden until asked for, below the text.
class FindBar : public QToolBar {
    Q_OBJECT
  public:
    FindBar(QMainWindow& window, TextPane& pane, QMenu& menu);

    // A hex dump is searched in its character columns only.
    void SetHexDump(bool hex) { hex_ = hex; }
    bool HexDump() const { return hex_; }

    void Open();
    // Finds the next (or previous) match from the selection; true when found.
    bool FindNext(bool backward = false);

    QLineEdit* EdtFind;
    QCheckBox* ChkMatchCase;
    QToolButton *BtnFindNext, *BtnFindPrevious, *BtnFindClose;
    QLabel* LblFindStatus;
    QAction *MnuFind, *MnuFindNext, *MnuFindPrevious;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TextPane& pane_;
    bool hex_ = false;
};

}  // namespace corvane::gui
