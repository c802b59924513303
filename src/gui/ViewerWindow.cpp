#include "ViewerWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>

#include "DialogService.h"
#include "FindBar.h"
#include "Fonts.h"
#include "Icons.h"
#include "text/CodePage.h"

namespace corvane::gui {

// Collects the lines a reader adds while the text is hidden and puts them
// into the text control in one step; once the text is shown, lines go in at
// once. Past its capacity it refuses lines, as a full text control does.
class ViewerWindow::LineBuffer : public LineTarget {
  public:
    explicit LineBuffer(ViewerWindow& view) : view_(view) {}
    bool AppendLine(std::string_view line) override {
        // Buffered lines replace the text shown; direct ones add to it.
        const std::size_t shown = direct_ ? view_.RichEdit1->ByteSize() : 0;
        if (buffer_.size() + shown + line.size() > kCapacity) return false;
        if (direct_) {
            view_.RichEdit1->AppendLine(line);
            return true;
        }
        if (count_++ > 0) buffer_.push_back('\n');
        buffer_.append(line);
        return true;
    }
    static constexpr std::size_t kCapacity = std::size_t{1} << 30;
    std::string buffer_;
    std::size_t count_ = 0;
    bool direct_ = false;

  private:
    ViewerWindow& view_;
};

ViewerWindow::ViewerWindow(QWidget* owner, DialogService& dialogs)
    : QMainWindow(owner, Qt::Window),
      dialogs_(dialogs),
      lines_(std::make_unique<LineBuffer>(*this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("FrmView");
    setWindowTitle("FrmView");
    resize(640, 393);

    RichEdit1 = new TextPane(this);
    RichEdit1->setObjectName("RichEdit1");
    // Not "Courier": on many desktops that maps to a font without the
    // control pictures shown for control characters.
    QFont font = FixedWidthFont();
    font.setPixelSize(11);
    RichEdit1->setFont(font);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    RichEdit1->setVisible(false);
    setCentralWidget(RichEdit1);

    auto* status = new QStatusBar(this);
    status->setObjectName("StatusBar1");
    panel0_ = new QLabel("Loading...", status);
    panel0_->setObjectName("StatusPanel0");
    panel0_->setFixedWidth(300);
    panel1_ = new QLabel(status);
    panel1_->setObjectName("StatusPanel1");
    panel1_->setFixedWidth(300);
    status->addWidget(panel0_);
    status->addWidget(panel1_);
    setStatusBar(status);

    auto action = [this](QObject* parent, const char* name, const QString& text,
                         const QKeySequence& key, IconKind icon, void (ViewerWindow::*slot)()) {
        auto* a = new QAction(MakeIcon(icon), text, parent);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(name);
    };

    menuBar()->setObjectName("MainMenu1");
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("File1");
    file->addAction(action(file, "SaveAs1", "Save &As...", QKeySequence("Ctrl+S"), IconKind::Save,
                           &ViewerWindow::SaveAs1Click));
    separator(file, "N2");
    file->addAction(action(file, "Print1", "&Print...", QKeySequence("Ctrl+P"), IconKind::Print,
                           &ViewerWindow::Print1Click));
    auto* setup = new QAction("P&rint Setup...", file);
    setup->setObjectName("PrintSetup1");
    connect(setup, &QAction::triggered, this, &ViewerWindow::PrintSetup1Click);
    file->addAction(setup);
    separator(file, "N1");
    file->addAction(action(file, "Exit1", "E&xit", QKeySequence("Ctrl+X"), IconKind::Exit,
                           &ViewerWindow::Exit1Click));
    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->setObjectName("Edit1");
    edit->addAction(action(edit, "Copy1", "&Copy", QKeySequence("Ctrl+C"), IconKind::Copy,
                           &ViewerWindow::Copy1Click));
    Find = new FindBar(*this, *RichEdit1, *edit);

    auto* popup = new QMenu(this);
    popup->setObjectName("PopupMenu1");
    // The popup repeats the menu bar's commands; its shortcuts are shown but
    // served by the menu bar's items.
    auto popupItem = [&](const char* name, const QString& text, const char* key, IconKind icon,
                         void (ViewerWindow::*slot)()) {
        QAction* a = popup->addAction(MakeIcon(icon), text, this, slot);
        a->setObjectName(name);
        a->setShortcut(QKeySequence(key));
        a->setShortcutContext(Qt::WidgetShortcut);
    };
    popupItem("Copy2", "&Copy", "Ctrl+C", IconKind::Copy, &ViewerWindow::Copy1Click);
    popupItem("Print2", "&Print...", "Ctrl+P", IconKind::Print, &ViewerWindow::Print1Click);
    popupItem("SaveAs2", "&Save As...", "Ctrl+S", IconKind::Save, &ViewerWindow::SaveAs1Click);
    popup->addSeparator()->setObjectName("N3");
    popupItem("Exit2", "E&xit", "Ctrl+X", IconKind::Exit, &ViewerWindow::Exit1Click);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint& at) { popup->popup(RichEdit1->mapToGlobal(at)); });
    BuildSourceBar();
}

// The form and code page choice above the text; shown only for a viewer of
// a member or dataset, which can be read again.
void ViewerWindow::BuildSourceBar() {
    ToolBarView = new QToolBar(this);
    ToolBarView->setObjectName("ToolBarView");
    ToolBarView->setMovable(false);
    CbxViewForm = new QComboBox(ToolBarView);
    CbxViewForm->setObjectName("CbxViewForm");
    CbxViewForm->addItems({"Text", "Hex"});
    CbxViewCodePage = new QComboBox(ToolBarView);
    CbxViewCodePage->setObjectName("CbxViewCodePage");
    for (int number : CodePage::Numbers()) {
        CbxViewCodePage->addItem(QString::fromStdString(CodePage::DisplayName(number)), number);
    }
    ToolBarView->addWidget(CbxViewForm);
    ToolBarView->addWidget(CbxViewCodePage);
    addToolBar(ToolBarView);
    ToolBarView->setVisible(false);
    connect(CbxViewForm, &QComboBox::activated, this, &ViewerWindow::CbxViewFormChange);
    connect(CbxViewCodePage, &QComboBox::activated, this, &ViewerWindow::CbxViewCodePageChange);
}

void ViewerWindow::SetSource(bool text, int codePage, Reread reread) {
    reread_ = std::move(reread);
    ShowChoice(text, codePage);
    ToolBarView->setVisible(true);
    ToolBarView->setEnabled(true);
}

void ViewerWindow::DetachSource() {
    reread_ = nullptr;
    ToolBarView->setEnabled(false);
}

void ViewerWindow::ShowChoice(bool text, int codePage) {
    text_ = text;
    codePage_ = CodePage::Find(codePage) ? codePage : CodePage::kCorvaneTable;
    CbxViewForm->setCurrentIndex(text_ ? 0 : 1);
    CbxViewCodePage->setCurrentIndex(CbxViewCodePage->findData(codePage_));
}

void ViewerWindow::CbxViewFormChange(int index) {
    Rerender(index == 0, codePage_);
}

void ViewerWindow::CbxViewCodePageChange(int index) {
    Rerender(text_, CbxViewCodePage->itemData(index).toInt());
}

// Reads the data again in the form and code page chosen; when that fails,
// the choice goes back to what the text shows.
void ViewerWindow::Rerender(bool text, int codePage) {
    const bool oldText = text_;
    const int oldPage = codePage_;
    if (text == oldText && codePage == oldPage) return;
    ShowChoice(text, codePage);
    if (!reread_ || !reread_(*this)) ShowChoice(oldText, oldPage);
}

void ViewerWindow::BeginReload() {
    statusBefore_[0] = panel0_->text();
    statusBefore_[1] = panel1_->text();
    setEnabled(false);
    SetStatus(0, "Loading...");
    SetStatus(1, "");
    replace_ = true;
}

void ViewerWindow::AbandonReload() {
    std::string().swap(lines_->buffer_);
    lines_->count_ = 0;
    replace_ = false;
    panel0_->setText(statusBefore_[0]);
    panel1_->setText(statusBefore_[1]);
    setEnabled(true);
}

ViewerWindow::~ViewerWindow() = default;

LineTarget& ViewerWindow::Lines() {
    return *lines_;
}

void ViewerWindow::SetStatus(int panel, const std::string& text) {
    (panel == 0 ? panel0_ : panel1_)->setText(QString::fromStdString(text));
}

QString ViewerWindow::StatusText(int panel) const {
    return (panel == 0 ? panel0_ : panel1_)->text();
}

void ViewerWindow::SetHexDump(bool hex) {
    Find->SetHexDump(hex);
}

void ViewerWindow::FlushLines() {
    if (lines_->buffer_.empty() && lines_->count_ == 0 && !replace_) return;
    replace_ = false;
    RichEdit1->SetText(std::move(lines_->buffer_));
    std::string().swap(lines_->buffer_);
    lines_->count_ = 0;
}

void ViewerWindow::ShowText() {
    FlushLines();
    lines_->direct_ = true;
    RichEdit1->setVisible(true);
}

void ViewerWindow::FinishLoading() {
    FlushLines();
    setEnabled(true);
    RichEdit1->MoveToStart();
    RichEdit1->setVisible(true);
    RichEdit1->setFocus();
    RichEdit1->repaint();
}

void ViewerWindow::SaveAs1Click() {
    auto path = dialogs_.SaveFile(this, {});
    if (!path) return;
    QFile file(*path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        // The system's reason follows the path.
        dialogs_.Message(this, "Cannot create file " + *path + "\n" + file.errorString(), "Error",
                         MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    QByteArray bytes;
    for (std::size_t line = 0; line < RichEdit1->LineCount(); ++line) {
        bytes += RichEdit1->Line(line).toUtf8();
        bytes += "\r\n";
    }
    if (file.write(bytes) != bytes.size()) {
        dialogs_.Message(this, "Cannot create file " + *path, "Error", MessageIcon::Error,
                         MessageButtons::Ok);
        return;
    }
    SetStatus(0, "Document saved.");
}

void ViewerWindow::PrintSetup1Click() {
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    dialogs_.PageSetup(this, *printer_);
}

void ViewerWindow::Print1Click() {
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    printer_->setCopyCount(1);
    if (!dialogs_.Print(this, *printer_)) return;
    printer_->setDocName(windowTitle());
    RichEdit1->print(printer_.get());
    SetStatus(0, "Document sent to print.");
}

void ViewerWindow::Copy1Click() {
    RichEdit1->copy();
    SetStatus(0, "Selected text copied to clipboard.");
}

void ViewerWindow::Exit1Click() {
    close();
}

void ViewerWindow::closeEvent(QCloseEvent* event) {
    // A viewer that a read is still filling is disabled; it stays until the
    // read has ended, so that the read never writes into a closed window.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace corvane::gui
