#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "TextPane.h"
#include "ports/LineTarget.h"

class QLabel;
class QMenu;
class QPrinter;
class QAction;

namespace corvane::gui {

class DialogService;
class FindBar;

// A window that shows data as plain text: member text, hex dumps, the
// header dump. It can save, print and copy, and destroys itself on close.
class ViewerWindow : public QMainWindow {
    Q_OBJECT
  public:
    ViewerWindow(QWidget* owner, DialogService& dialogs);
    ~ViewerWindow() override;

    // The reader's side.
    // The text area, taking lines at its end.
    LineTarget& Lines();
    std::string Caption() const { return windowTitle().toStdString(); }
    void SetStatus(int panel, const std::string& text);
    // Makes the text area visible at once (the header dump shows while it fills).
    void ShowText();
    // Enables the window, puts the caret at the top, shows and focuses the text.
    void FinishLoading();

    QString StatusText(int panel) const;
    // Whether the text is a hex dump (searched in its character columns).
    void SetHexDump(bool hex);
    TextPane* RichEdit1 = nullptr;
    FindBar* Find = nullptr;

  public slots:
    void SaveAs1Click();
    void Print1Click();
    void PrintSetup1Click();
    void Copy1Click();
    void Exit1Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class LineBuffer;
    void FlushLines();
    DialogService& dialogs_;
    std::unique_ptr<LineBuffer> lines_;
    QLabel* panel0_;
    QLabel* panel1_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace corvane::gui
