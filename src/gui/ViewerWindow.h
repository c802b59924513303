#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "TextPane.h"
#include "ports/LineTarget.h"

class QLabel;
class QMenu;
class QPrinter;
class QAction;
class QComboBox;
class QToolBar;

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

    // A member's viewer can show its data again as text or hex and through
    // another code page. The reread function fills the viewer again from
    // the file; it returns false when it could not (the old text stays).
    using Reread = std::function<bool(ViewerWindow&)>;
    void SetSource(bool text, int codePage, Reread reread);
    // The file is closed: the viewer keeps its text but cannot read again.
    void DetachSource();
    bool TextForm() const { return text_; }
    int CodePageNumber() const { return codePage_; }
    // A reread starts: the window is disabled and the next text replaces
    // the one shown. AbandonReload drops what a failed reread added.
    void BeginReload();
    void AbandonReload();

    QToolBar* ToolBarView = nullptr;
    QComboBox* CbxViewForm = nullptr;      // "Text", "Hex"
    QComboBox* CbxViewCodePage = nullptr;  // "Corvane table", "IBM 037" ...

  public slots:
    void SaveAs1Click();
    void Print1Click();
    void PrintSetup1Click();
    void Copy1Click();
    void Exit1Click();
    void CbxViewFormChange(int index);
    void CbxViewCodePageChange(int index);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class LineBuffer;
    void FlushLines();
    void BuildSourceBar();
    void ShowChoice(bool text, int codePage);
    void Rerender(bool text, int codePage);
    bool text_ = true;
    int codePage_ = 0;
    Reread reread_;
    bool replace_ = false;     // the next flush replaces the text, even with none
    QString statusBefore_[2];  // the panels of the text a reread replaces
    DialogService& dialogs_;
    std::unique_ptr<LineBuffer> lines_;
    QLabel* panel0_;
    QLabel* panel1_;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace corvane::gui
