#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "TextPane.h"
#include "ports/Viewer.h"

class QLabel;
class QMenu;
class QPrinter;
class QAction;

namespace corvane::gui {

class DialogService;

// A window that shows data as plain text: member text, hex dumps, the
// header dump. It can save, print and copy, and destroys itself on close.
class TFrmView : public QMainWindow, public corvane::Viewer {
    Q_OBJECT
  public:
    TFrmView(QWidget* owner, DialogService& dialogs);
    ~TFrmView() override;

    // The reader's side.
    LineTarget& Lines() override;
    std::string Caption() const override { return windowTitle().toStdString(); }
    void SetStatus(int panel, const std::string& text) override;
    void ShowText() override;
    void FinishLoading() override;

    QString StatusText(int panel) const;
    TextPane* RichEdit1 = nullptr;

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
