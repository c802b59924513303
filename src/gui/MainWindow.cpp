#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "AboutDialog.h"
#include "ContainerTree.h"
#include "DecodeErrorDialog.h"
#include "DialogService.h"
#include "ElidedLabel.h"
#include "Fonts.h"
#include "Icons.h"
#include "LiveOptions.h"
#include "MemoLines.h"
#include "OptionsDialog.h"
#include "ProgressDialog.h"
#include "TabRows.h"
#include "ViewerWindow.h"
#include "io/AtomicWriter.h"
#include "present/Presenter.h"
#include "settings/RecentFiles.h"
#include "settings/RegistryStore.h"

namespace corvane::gui {

QString FileNamePart(const QString& path) {
    const qsizetype cut =
        std::max({path.lastIndexOf('\\'), path.lastIndexOf(':'), path.lastIndexOf('/')});
    return path.mid(cut + 1);
}

QString FolderPart(const QString& path) {
    const qsizetype cut =
        std::max({path.lastIndexOf('\\'), path.lastIndexOf(':'), path.lastIndexOf('/')});
    return cut < 0 ? QString() : path.left(cut == 0 ? 1 : cut);
}

MainWindow::MainWindow(Environment environment)
    : QMainWindow(nullptr), env_(std::move(environment)) {
    setObjectName("FrmXmitMain");
    setWindowTitle("Corvane  v3");
    const WindowState design;  // the stored state's defaults
    setGeometry(design.FormLeft, design.FormTop, design.FormWidth, design.FormHeight);
    setMinimumSize(350, 310);
    notifier_ = std::make_unique<DialogNotifier>(*env_.Dialogs, this);
    errors_ = std::make_unique<DecodeErrorReport>(*env_.Dialogs, this);
    ini_ = std::make_unique<IniFile>(env_.IniPath());
    notifier_->OnModal([this](bool shown) { ModalShown(shown); });
    errors_->OnModal([this](bool shown) { ModalShown(shown); });
    BuildWindow();
    LvwMembers->setFocus();  // the arrow keys walk the members from the start
    About = new AboutDialog(this);
    setAcceptDrops(true);
    FillRecentFiles();
}

MainWindow::~MainWindow() {
    FormDestroy();
}

void MainWindow::BuildWindow() {
    // Toolbar.
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFixedHeight(65);
    ToolBar1->setIconSize(QSize(32, 32));
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    auto button = [this](const char* name, const QString& caption, const QString& hint,
                         IconKind icon, void (MainWindow::*slot)()) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(name);
        b->setText(caption);
        b->setToolTip(hint);
        b->setIcon(MakeIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFixedSize(55, 55);
        // The menus hold every command: Tab goes to the filter and the list,
        // never round the toolbar.
        b->setFocusPolicy(Qt::NoFocus);
        if (slot) connect(b, &QToolButton::clicked, this, slot);
        ToolBar1->addWidget(b);
        return b;
    };
    SbnOpen = button("SbnOpen", "Open", "Select a file to open.", IconKind::Open,
                     &MainWindow::MnuFileOpenClick);
    SbnExtract = button("SbnExtract", "Extract", "Extract the selected data to individual files",
                        IconKind::Extract, &MainWindow::MnuXmitExtractClick);
    SbnView = button("SbnView", "View", "View selected data in a seperate panel", IconKind::View,
                     &MainWindow::MnuXmitViewClick);
    SbnJcl = button("SbnJcl", "Jobwick", "Extract the selected data to individual files",
                    IconKind::Jobwick, &MainWindow::SbnJclClick);
    SpeedButton3 = new QToolButton(ToolBar1);
    SpeedButton3->setObjectName("SpeedButton3");
    SpeedButton3->setFixedSize(27, 55);
    SpeedButton3->setAutoRaise(true);
    SpeedButton3->setEnabled(false);
    SpeedButton3->setFocusPolicy(Qt::NoFocus);
    ToolBar1->addWidget(SpeedButton3);
    SbnOptions = button("SbnOptions", "Options", "Tailor general options", IconKind::Options,
                        &MainWindow::MnuOptionsXmitClick);
    SpeedButton2 = button("SpeedButton2", "Help",
                          "Help on using this programme and with xmit files in general",
                          IconKind::Help, &MainWindow::MnuHelpContentsClick);
    AboutButton =
        button("SbnHelp", "About", "Help on using this programme and with xmit files in general",
               IconKind::About, &MainWindow::MnuHelpAboutClick);

    // Main menu.
    auto item = [this](QMenu* menu, const char* name, const QString& caption, const QString& key,
                       IconKind icon, void (MainWindow::*slot)()) {
        auto* a = new QAction(MakeIcon(icon), caption, this);
        a->setObjectName(name);
        if (!key.isEmpty()) a->setShortcut(QKeySequence(key));
        if (slot) connect(a, &QAction::triggered, this, slot);
        if (menu) menu->addAction(a);
        return a;
    };
    QMenuBar* bar = menuBar();
    bar->setObjectName("MnuBar");
    QMenu* file = bar->addMenu("&File");
    file->setObjectName("MnuFile");
    MnuFileOpen = item(file, "MnuFileOpen", "&Open...", "Ctrl+O", IconKind::Open,
                       &MainWindow::MnuFileOpenClick);
    MnuFileClose = item(file, "MnuFileClose", "&Close", "Ctrl+C", IconKind::Close,
                        &MainWindow::MnuFileCloseClick);
    QMenu* recent = file->addMenu("&Recent");
    recent->setObjectName("MnuFileRecent");
    MnuFileRecentFile = item(recent, "MnuFileRecentFile", "", "", IconKind::Open,
                             &MainWindow::MnuFileRecentFileClick);
    recent->addSeparator()->setObjectName("MnuFileRecentSeparator");
    for (std::size_t k = 1; k <= kMaxRecentFiles; ++k) {
        auto* a = new QAction(this);
        a->setObjectName(QString("MnuFileRecent%1").arg(k));
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, a] { OpenRecentFile(a->data().toString()); });
        recent->addAction(a);
        RecentFileActions << a;
    }
    recentMenu_ = recent;
    // Other windows may have opened files meanwhile.
    connect(recent, &QMenu::aboutToShow, this, &MainWindow::FillRecentFiles);
    file->addSeparator();
    MnuFileCreate = item(file, "MnuFileCreate", "Crea&te XMIT file...", "", IconKind::Extract,
                         &MainWindow::MnuFileCreateClick);
    MnuFileSaveRepaired = item(file, "MnuFileSaveRepaired", "Sa&ve repaired copy...", "",
                               IconKind::Extract, &MainWindow::MnuFileSaveRepairedClick);
    MnuFileSaveRepaired->setEnabled(false);
    file->addSeparator()->setObjectName("MnuSeperator1");
    MnuFileExit =
        item(file, "MnuFileExit", "E&xit", "Ctrl+X", IconKind::Exit, &MainWindow::MnuFileExitClick);

    QMenu* edit = bar->addMenu("&Edit");
    edit->setObjectName("MnuEdit");
    // The Edit menu carries Ctrl+D on itself; it triggers no command.
    edit->menuAction()->setShortcut(QKeySequence("Ctrl+D"));
    MnuEditSelectAll = item(edit, "MnuEditSelectAll", "Select &All", "", IconKind::Select,
                            &MainWindow::PopListSelectClick);
    MnuEditDeSelectAll = item(edit, "MnuEditDeSelectAll", "&DeSelect All", "", IconKind::Close,
                              &MainWindow::PopListDeSelectClick);

    QMenu* xmit = bar->addMenu("&Xmit");
    xmit->setObjectName("MnuXmit");
    MnuXmitView =
        item(xmit, "MnuXmitView", "&View", "Ctrl+V", IconKind::View, &MainWindow::MnuXmitViewClick);
    MnuXmitExtract = item(xmit, "MnuXmitExtract", "E&xtract...", "Ctrl+E", IconKind::Extract,
                          &MainWindow::MnuXmitExtractClick);
    MnuXmitExtractAll = item(xmit, "MnuXmitExtractAll", "Extract &all to folder...", "",
                             IconKind::Extract, &MainWindow::MnuXmitExtractAllClick);
    MnuXmitFindContaining =
        item(xmit, "MnuXmitFindContaining", "Find members &containing...", "Ctrl+Shift+F",
             IconKind::View, &MainWindow::MnuXmitFindContainingClick);
    MnuXmitSaveAs = item(xmit, "MnuXmitSaveAs", "&Save as XMIT file...", "", IconKind::Extract,
                         &MainWindow::MnuXmitSaveAsClick);
    xmit->addSeparator()->setObjectName("MnuSeperator2");
    MnuXmitDumpFile = item(xmit, "MnuXmitDumpFile", "&Debug Xmit headers...", "", IconKind::Jobwick,
                           &MainWindow::MnuXmitDumpFileClick);

    MnuOptions = item(nullptr, "MnuOptions", "&Options", "", IconKind::Options,
                      &MainWindow::MnuOptionsXmitClick);
    MnuOptions->setIcon(QIcon());  // a top-level item shows its caption
    bar->addAction(MnuOptions);

    QMenu* view = bar->addMenu("&View");
    view->setObjectName("MnuView");
    // No picture: the check mark alone shows whether the toolbar is on.
    MnuViewToolbar = item(view, "MnuViewToolbar", "&Toolbar", "", IconKind::Options, nullptr);
    MnuViewToolbar->setIcon(QIcon());
    MnuViewToolbar->setCheckable(true);
    MnuViewToolbar->setChecked(true);
    connect(MnuViewToolbar, &QAction::triggered, this, &MainWindow::MnuViewToolbarClick);
    view->addSeparator();
    MnuViewCloseViewers = item(view, "MnuViewCloseViewers", "&Close all viewers", "",
                               IconKind::Close, &MainWindow::MnuViewCloseViewersClick);
    view->addSeparator();
    MnuViewBack = item(view, "MnuViewBack", "&Back", "Alt+Left", IconKind::Close,
                       &MainWindow::MnuViewBackClick);
    MnuViewUp = item(view, "MnuViewUp", "&Up to the container", "Alt+Up", IconKind::Close,
                     &MainWindow::MnuViewUpClick);
    for (QAction* a : {MnuViewBack, MnuViewUp}) {
        a->setIcon(QIcon());
        a->setEnabled(false);
    }

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("MnuHelp");
    MnuHelpContents = item(help, "MnuHelpContents", "&Contents", "F1", IconKind::Help,
                           &MainWindow::MnuHelpContentsClick);
    help->addSeparator()->setObjectName("N2");
    MnuHelpHome = item(help, "MnuHelpHome", "Corvane web site", "Ctrl+F1", IconKind::Help,
                       &MainWindow::MnuHelpHomeClick);
    MnuHelpCbt = item(help, "MnuHelpCbt", "CBT tape online", "", IconKind::Help,
                      &MainWindow::MnuHelpCbtClick);
    MnuHelpPlanet = item(help, "MnuHelpPlanet", "Planet MVS online", "", IconKind::Help,
                         &MainWindow::MnuHelpPlanetClick);
    help->addSeparator()->setObjectName("N3");
    MnuHelpAbout = item(help, "MnuHelpAbout", "&About", "Ctrl+A", IconKind::About,
                        &MainWindow::MnuHelpAboutClick);
    for (QAction* a : {MnuFileOpen, MnuFileClose, MnuFileExit, MnuXmitView, MnuXmitExtract,
                       MnuHelpContents, MnuHelpHome, MnuHelpAbout}) {
        a->setShortcutContext(Qt::WindowShortcut);
    }

    // Information tabs.
    TabInfo = new QTabWidget(this);
    TabInfo->setObjectName("TabInfo");
    // Its own tab bar is hidden (the rows below stand for it): focus given
    // to it would go nowhere and keep Tab in the member list.
    TabInfo->setFocusPolicy(Qt::NoFocus);
    TabInfo->setDocumentMode(false);
    TabInfo->addTab(
        BuildInfoPage(
            {{"Size:", "Size of the xmit file", &LblSize, "LblSize"},
             {"Created:", "Date the xmit file was created", &LblCreated, "LblCreated"},
             {"Content files:", "Date the xmit file was created", &LblFileNum, "LblFileNum"},
             {"File name:", "Name of the xmit file", &LblFileName, "LblFileName"},
             {"Format:", "What kind of file this is and how its records lie", &LblFormat,
              "LblFormat"},
             {"Labels:", "Whether the tape carries IBM standard labels", &LblLabels, "LblLabels"},
             {"Volume:", "Volume serial of the tape", &LblVolser, "LblVolser"},
             {"Tape file:", "The file of the tape that holds this data", &LblTapeFile,
              "LblTapeFile"},
             {"Packed:", "The data was unpacked from a TERSE file", &LblPacked, "LblPacked"}}),
        "xmit file");
    TabInfo->setTabToolTip(0, "Information on the xmit file attributes");
    TabInfo->addTab(
        BuildInfoPage({{"Dataset:", "Dataset name of content file", &LblDataset, "LblDataset"},
                       {"Type:", "Type of content file - Sequential or Partitioned data set",
                        &LblType, "LblType"},
                       {"Members:", "Number of members if the content file is partitioned",
                        &LblMembers, "LblMembers"},
                       {"Recfm:", "Record format of the content file", &LblRecfm, "LblRecfm"},
                       {"lrecl:", "Logical record length of the content files records", &LblLrecl,
                        "LblLrecl"},
                       {"Blksize:", "Block size of the content file", &LblBlksize, "LblBlksize"}}),
        "xmit content");
    TabInfo->setTabToolTip(1, "Information on the content files");
    TabInfo->addTab(
        BuildInfoPage(
            {{"From node:", "JES2 node where the xmit file was send from/created on", &LblFromNode,
              "LblFromNode"},
             {"From User:", "TSO Userid whcih sent/created the xmit file", &LblFromId, "LblFromId"},
             {"To node:", "JES2 node for the xmit file's destination", &LblToNode, "LblToNode"},
             {"To user:", "TSO Userid that would recieve the xmit file", &LblToId, "LblToId"}}),
        "transfer info");
    TabInfo->setTabToolTip(2, "Information on the transport attributes");
    MmoTabMessage = new QPlainTextEdit;
    MmoTabMessage->setObjectName("MmoTabMessage");
    MmoTabMessage->setReadOnly(true);
    MmoTabMessage->setFrameShape(QFrame::NoFrame);
    MmoTabMessage->setFocusPolicy(Qt::NoFocus);
    MmoTabMessage->setToolTip("Message contained in xmit file");
    // Messages are 80-column card images: they keep their columns.
    MmoTabMessage->setFont(FixedWidthFont());
    MmoTabMessage->setLineWrapMode(QPlainTextEdit::NoWrap);
    TabInfo->addTab(MmoTabMessage, "message");
    TabInfo->setCurrentIndex(1);
    auto* tabPane = new QWidget(this);
    tabPane->setObjectName("TabInfoPane");
    auto* tabLayout = new QVBoxLayout(tabPane);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    tabLayout->setSpacing(0);
    TabInfoRows = new TabRows(*TabInfo, tabPane);
    TabInfoRows->setObjectName("TabInfoRows");
    tabLayout->addWidget(TabInfoRows);
    tabLayout->addWidget(TabInfo, 1);
    tabPane->setMinimumWidth(40);

    LvwMembers = new MemberView;
    LvwMembers->setObjectName("LvwMembers");
    LvwMembers->setToolTip(kMembersHint);
    LvwMembers->ShowGridLines(false);
    LvwMembers->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LvwMembers, &MemberView::Clicked, this, &MainWindow::LvwMembersClick);
    connect(LvwMembers, &MemberView::SelectionKey, this, &MainWindow::LvwMembersClick);
    connect(LvwMembers, &QAbstractItemView::doubleClicked, this, [this] { LvwMembersDblClick(); });
    connect(LvwMembers, &MemberView::EnterPressed, this, [this] {
        if (FileIsOpen && LvwMembers->SelectedCount() > 0) MnuXmitViewClick();
    });

    lPopListView = new QMenu(this);
    lPopListView->setObjectName("lPopListView");
    PopListView = item(lPopListView, "PopListView", "&View", "", IconKind::View,
                       &MainWindow::MnuXmitViewClick);
    PopListExtract = item(lPopListView, "PopListExtract", "E&xtract...", "", IconKind::Extract,
                          &MainWindow::MnuXmitExtractClick);
    PopListOpenWindow = item(lPopListView, "PopListOpenWindow", "Open in new &window", "",
                             IconKind::Open, &MainWindow::PopListOpenWindowClick);
    PopListOpenWindow->setIcon(QIcon());
    lPopListView->addSeparator()->setObjectName("N1");
    PopListSelect = item(lPopListView, "PopListSelect", "Select all", "", IconKind::Select,
                         &MainWindow::PopListSelectClick);
    PopListDeSelect = item(lPopListView, "PopListDeSelect", "De-select all", "", IconKind::Close,
                           &MainWindow::PopListDeSelectClick);
    connect(LvwMembers, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        lPopListView->popup(LvwMembers->viewport()->mapToGlobal(at));
    });

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(tabPane);
    Splitter1->addWidget(BuildMemberPane());
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({193, 377});

    TvwContainers = new ContainerTree(this);
    TvwContainers->setObjectName("TvwContainers");
    TvwContainers->setVisible(false);
    // Queued: the tree has finished its own change before the node opens.
    connect(TvwContainers, &ContainerTree::NodeChosen, this, &MainWindow::OpenTreeNode,
            Qt::QueuedConnection);
    connect(TvwContainers, &ContainerTree::ChildrenWanted, this, &MainWindow::ListTreeChildren);
    splitterTree_ = new QSplitter(Qt::Horizontal, this);
    splitterTree_->setObjectName("SplitterTree");
    splitterTree_->setHandleWidth(3);
    splitterTree_->setChildrenCollapsible(false);
    splitterTree_->addWidget(TvwContainers);
    splitterTree_->addWidget(Splitter1);
    splitterTree_->setStretchFactor(0, 0);
    splitterTree_->setStretchFactor(1, 1);
    splitterTree_->setSizes({160, 570});
    connect(splitterTree_, &QSplitter::splitterMoved, this, [this] { treeSizedByUser_ = true; });
    setCentralWidget(splitterTree_);

    auto* status = new QStatusBar(this);
    status->setObjectName("StatusBar1");
    status->setSizeGripEnabled(true);
    // The panels follow the font: a name of twenty characters fits the
    // second one; longer texts are shortened, whole in the tooltip.
    const int nameWidth = fontMetrics().horizontalAdvance(QString(20, 'M')) * 3 / 4;
    const int widths[3] = {280, std::max(120, nameWidth), 0};
    for (int k = 0; k < 3; ++k) {
        panels_[k] = new ElidedLabel(status, k == 2 ? Qt::ElideMiddle : Qt::ElideRight);
        panels_[k]->setObjectName(QString("StatusPanel%1").arg(k));
        panels_[k]->setFrameShape(QFrame::Panel);
        panels_[k]->setFrameShadow(QFrame::Sunken);
        if (widths[k]) panels_[k]->setFixedWidth(widths[k]);
        panels_[k]->setMinimumHeight(fontMetrics().height() + 4);
        status->addWidget(panels_[k], widths[k] ? 0 : 1);
    }
    panels_[1]->SetFullText("No file open");
    setStatusBar(status);

    UpdateActions();
    ApplyValueColour();
    SetSelectItemsEnabled(false);
    for (ElidedLabel* l : {LblFormat, LblLabels, LblVolser, LblTapeFile, LblPacked})
        ShowInfoRow(l, QString());
}

QWidget* MainWindow::BuildInfoPage(
    const std::vector<std::tuple<QString, QString, ElidedLabel**, const char*>>& rows) {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(4, 8, 2, 6);
    grid->setHorizontalSpacing(4);
    int r = 0;
    for (const auto& [caption, hint, target, name] : rows) {
        auto* c = new QLabel(caption, page);
        c->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        c->setToolTip(hint);
        auto* v = new ElidedLabel(page);
        v->setObjectName(name);
        c->setBuddy(v);  // a row is shown or hidden as one
        v->setProperty("infoValue", true);
        grid->addWidget(c, r, 0);
        grid->addWidget(v, r, 1);
        *target = v;
        ++r;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(r, 1);
    return page;
}

// Values and the message are blue on the window's face; on a dark face a
// light blue, so that they stay readable.
void MainWindow::ApplyValueColour() {
    const QColor face = palette().color(QPalette::Window);
    const QString blue = face.lightness() < 128 ? "#8ab4f8" : "blue";
    for (QLabel* v : findChildren<QLabel*>()) {
        if (v->property("infoValue").toBool()) v->setStyleSheet("color: " + blue + ";");
    }
    MmoTabMessage->setStyleSheet("QPlainTextEdit { background: palette(window); color: " + blue +
                                 "; }");
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) ApplyValueColour();
}

const ProgramOptions& MainWindow::OptionValues() const {
    return options_->Values();
}

void MainWindow::OpenPath(const QString& path) {
    XmitPath = path;
    DebugHeaders = false;
    OpenXmitFile(false);
}

QString MainWindow::StatusText(int panel) const {
    return panels_[panel]->text();
}

void MainWindow::SetStatus(int panel, const QString& text) {
    panels_[panel]->SetFullText(text);
}

void MainWindow::SetSelectItemsEnabled(bool on) {
    for (QAction* a : {PopListSelect, MnuEditSelectAll, PopListDeSelect, MnuEditDeSelectAll})
        a->setEnabled(on);
}

void MainWindow::FormCreate() {
    WindowState state;
    state.FormLeft = x();
    state.FormTop = y();
    state.FormWidth = width();
    state.FormHeight = height();
    state.TabWidth = Splitter1->sizes().value(0, state.TabWidth);
    state.toolbar = MnuViewToolbar->isChecked();
    const std::string message = ReadWindowState(*env_.Registry, *ini_, state);
    if (!message.empty()) SetStatus(0, SettingsText(message));
    ApplyState(state);
    startState_ = state;
    // A window left maximised comes back so, over the normal bounds just set.
    if (state.FormMaximized) setWindowState(windowState() | Qt::WindowMaximized);
    options_ = std::make_unique<LiveOptions>(env_, StatusKey.toStdString());
    Options = new OptionsDialog(this, env_, *options_);
    repaint();
    std::error_code ec;
    StartDir = std::filesystem::current_path(ec);
    if (!env_.Arguments.isEmpty()) {
        XmitPath = env_.Arguments.first();
        OpenXmitFile(false);
    }
    ToolBar1->setVisible(MnuViewToolbar->isChecked());
    update();
}

void MainWindow::ApplyState(const WindowState& state) {
    SetRecentPath(QString::fromStdString(state.lastFile));
    move(state.FormLeft, state.FormTop);
    resize(std::max(state.FormWidth, minimumWidth()), std::max(state.FormHeight, minimumHeight()));
    Splitter1->setSizes({state.TabWidth, std::max(state.FormWidth - state.TabWidth, 1)});
    pendingTabWidth_ = state.TabWidth;
    MnuViewToolbar->setChecked(state.toolbar);
}

WindowState MainWindow::CurrentState() const {
    WindowState s;
    s.lastFile = RecentPath.toStdString();
    // A maximised window keeps the bounds it goes back to.
    const QRect bounds = isMaximized() ? normalGeometry() : geometry();
    s.FormTop = isMaximized() ? bounds.y() : y();
    s.FormLeft = isMaximized() ? bounds.x() : x();
    s.FormWidth = bounds.width();
    s.FormHeight = bounds.height();
    s.TabWidth = Splitter1->sizes().value(0, s.TabWidth);
    s.toolbar = MnuViewToolbar->isChecked();
    s.FormMaximized = isMaximized();
    return s;
}

void MainWindow::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    CloseXmitFile();
    WriteWindowState(*env_.Registry, *ini_, CurrentState(), XmitPath.toStdString(),
                     startState_.lastFile);
    delete Options;
    Options = nullptr;
    options_.reset();
    std::error_code ec;
    if (!StartDir.empty()) std::filesystem::current_path(StartDir, ec);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (reading_) {
        // End the running read first; the window closes when it has stopped.
        closeAfterRead_ = true;
        if (Progress) Progress->BtnCancelClick();
        event->ignore();
        return;
    }
    FormDestroy();
    event->accept();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (pendingTabWidth_ >= 0) {
        const int total = Splitter1->width() - Splitter1->handleWidth();
        Splitter1->setSizes({pendingTabWidth_, std::max(total - pendingTabWidth_, 1)});
        pendingTabWidth_ = -1;
    }
}

void MainWindow::SetRecentPath(const QString& path) {
    RecentPath = path;
    QString shown = path;
    shown.replace("&", "&&");  // the caption shows the path itself, never an access key
    MnuFileRecentFile->setText(shown);
}

void MainWindow::MnuFileExitClick() {
    close();
}

void MainWindow::MnuOptionsXmitClick() {
    if (Options->ShowModal() == QDialog::Accepted) {
        SetStatus(0, SettingsText(options_->Values().UsingIniFile
                                      ? "Registry access denied, options updated in INI file."
                                      : "Options updated in the system registry."));
        DateOrder = options_->Values().engDate;
    } else {
        SetStatus(0, "Options not updated, operation cancelled.");
    }
}

void MainWindow::MnuHelpAboutClick() {
    About->ShowOver(this);
}

void MainWindow::MnuHelpContentsClick() {
    // docs/index.html beside the program; an installed program keeps the
    // guide in the shared data folder.
    std::filesystem::path guide = env_.ProgramDir() / "docs" / "index.html";
    const std::filesystem::path installed =
        env_.ProgramDir().parent_path() / "share" / "corvane" / "docs" / "index.html";
    std::error_code ec;
    if (!std::filesystem::exists(guide, ec) && std::filesystem::exists(installed, ec))
        guide = installed;
    OpenDocument(QString::fromStdString(PathToUtf8(guide)));
}

void MainWindow::MnuHelpHomeClick() {
    MnuHelpContentsClick();
}  // the user guide is its home
void MainWindow::MnuHelpCbtClick() {
    env_.Dialogs->OpenUrl("https://www.cbttape.org/");
}
void MainWindow::MnuHelpPlanetClick() {
    env_.Dialogs->OpenUrl("https://www.planetmvs.com/");
}

void MainWindow::MnuViewToolbarClick() {
    ToolBar1->setVisible(MnuViewToolbar->isChecked());
    update();
}

void MainWindow::PopListSelectClick() {
    LvwMembers->selectAll();
}
void MainWindow::PopListDeSelectClick() {
    LvwMembers->clearSelection();
}

void MainWindow::LvwMembersClick() {
    if (!FileIsOpen) return;
    SetStatus(0, QString::fromStdString(
                     present::SelectedText(static_cast<std::size_t>(LvwMembers->SelectedCount()))));
}

void MainWindow::LvwMembersDblClick() {
    if (OpenNestedSelection()) return;
    if (TextMode) {
        MnuXmitViewClick();
    } else {
        MnuXmitExtractClick();
    }
}

QString MainWindow::SettingsText(const std::string& text) const {
#ifdef _WIN32
    return QString::fromStdString(text);
#else
    // Without a registry the program keeps its settings in a file of its own.
    QString t = QString::fromStdString(text);
    t.replace("Registry info could not be read.", "Settings could not be read.");
    t.replace("Registry access denied,", "Settings file not writable,");
    t.replace("in the system registry.", "in the settings file.");
    return t;
#endif
}

void MainWindow::OpenDocument(const QString& path) {
    // Encoded, so that a '%' or '#' in a file name stays part of the name.
    if (!env_.Dialogs->OpenUrl(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded))) {
        env_.Dialogs->Message(this, "No program is set up to open\n" + path, "Corvane",
                              MessageIcon::Information, MessageButtons::Ok);
    }
}

void MainWindow::ModalShown(bool shown) {
    // A question or error must never sit under a progress window.
    if (shown) {
        for (auto* w : findChildren<ProgressDialog*>()) {
            if (w->isVisible()) {
                hiddenForModal_ << w;
                w->hide();
            }
        }
        return;
    }
    for (const QPointer<QWidget>& w : hiddenForModal_) {
        if (w) w->show();
    }
    hiddenForModal_.clear();
}

void MainWindow::PlaceViewer(QWidget& view) {
    // New viewers step down and right from the main window, a title bar's
    // height each, and start again at the top after ten.
    const int step = std::max(24, fontMetrics().height() + 10);
    const QRect area = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    QPoint at = frameGeometry().topLeft() + QPoint(step, step) * (1 + viewerCascade_ % 10);
    if (at.x() + view.width() > area.right()) at.setX(area.left() + step * (viewerCascade_ % 10));
    if (at.y() + view.height() > area.bottom()) at.setY(area.top() + step * (viewerCascade_ % 10));
    view.move(at);
    ++viewerCascade_;
}

void MainWindow::MnuViewCloseViewersClick() {
    for (ViewerWindow* v : findChildren<ViewerWindow*>()) {
        if (v->isEnabled()) v->close();  // one being filled closes when its read ends
    }
    viewerCascade_ = 0;
}

}  // namespace corvane::gui
