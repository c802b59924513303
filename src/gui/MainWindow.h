#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "Environment.h"
#include "LiveOptions.h"
#include "MemberList.h"
#include "decode/XmitInfo.h"
#include "extract/MemberReader.h"
#include "io/ByteSource.h"
#include "nested/NodeChildren.h"
#include "nested/XmitPath.h"
#include "ports/Progress.h"
#include "settings/ProgramOptions.h"
#include "settings/WindowState.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace corvane::gui {

class CreateJob;
class DialogNotifier;
class DecodeErrorReport;
class AboutDialog;
class ViewerWindow;
class ProgressDialog;
class OptionsDialog;
class MemoLines;
class ElidedLabel;
class TabRows;
class ContainerTree;

// The main window: the information tabs, the member list and the commands
// that open, view and extract transmission files.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(Environment environment);
    ~MainWindow() override;

    // Start-up after construction: window state, options, the argument.
    void FormCreate();

    QString StatusText(int panel) const;
    void SetStatus(int panel, const QString& text);
    bool Reading() const { return reading_; }

    // What the window shows, for those who look at it from outside; the
    // controls themselves are found by their object names.
    bool HasFile() const { return FileIsOpen; }
    const XmitInfo* OpenInfo() const { return Info.get(); }
    const ProgramOptions& OptionValues() const;
    // The path of the file last opened or closed, as File, Recent holds it.
    const QString& RecentFile() const { return RecentPath; }
    // Text (true) or binary: how View and Extract read the members now.
    bool InTextMode() const { return TextMode; }
    void SetTextMode(bool text) { TextMode = text; }
    // Opens a file, or a path into one, as the command line does.
    void OpenPath(const QString& path);

  public slots:
    void MnuFileOpenClick();
    void MnuXmitDumpFileClick();
    void MnuFileRecentFileClick();
    void MnuFileCloseClick();
    void MnuFileExitClick();
    void MnuOptionsXmitClick();
    void MnuHelpAboutClick();
    void MnuHelpContentsClick();
    void MnuHelpHomeClick();
    void MnuHelpCbtClick();
    void MnuHelpPlanetClick();
    void MnuViewToolbarClick();
    void PopListSelectClick();
    void PopListDeSelectClick();
    void LvwMembersClick();
    void LvwMembersDblClick();
    void MnuXmitViewClick();
    void MnuXmitExtractClick();
    void SbnJclClick();
    void MnuViewCloseViewersClick();
    void MnuXmitFindContainingClick();
    void MnuXmitExtractAllClick();
    void MnuFileCreateClick();
    void MnuFileSaveRepairedClick();
    void MnuXmitSaveAsClick();
    void BtnShowAllClick();
    // The node shown before, and the one holding the node shown.
    void MnuViewBackClick();
    void MnuViewUpClick();
    // The selected containers in windows of their own.
    void PopListOpenWindowClick();
    // Opens a path of the recent files, or says it is gone and drops it.
    void OpenRecentFile(const QString& path);

  public:
    void OpenXmitFile(bool withDialog);
    // keepTree: another node of the same tree opens next.
    void CloseXmitFile(bool keepTree = false);
    // What "File name:" shows: the file's name, with the members inside it
    // that lead to the open transmission (HTTPD330.XMIT!ICON).
    QString ShownFileName() const;
    // Opens the transmission held by a member (null: the sequential
    // dataset) in a new main window.
    MainWindow* OpenNestedWindow(const MemberEntry* member);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // The window's state.
    bool FileIsOpen = false;
    bool DebugHeaders = false;
    bool DateOrder = false;
    bool TextMode = false;
    std::filesystem::path StartDir;
    // The open file: its bytes and what the parser found in them.
    std::unique_ptr<ByteSource> XmitSource;
    std::unique_ptr<XmitInfo> Info;
    // What the open node is; a tape lists its files and has no XmitSource.
    NodeKind Kind = NodeKind::Xmit;
    // The open tape, or the tape whose file TapeFile (from 0) the node is.
    std::shared_ptr<TapeImage> Tape;
    std::optional<std::size_t> TapeFile;
    std::optional<TerseHeader> Terse;       // the data was unpacked from a TERSE file
    std::optional<UnloadFacts> Unload;      // the node is a raw IEBCOPY unload
    std::shared_ptr<ZipReader> Zip;         // the archive of a zip node
    std::unique_ptr<LiveOptions> options_;  // the options of the run
    OptionsDialog* Options = nullptr;       // edits them
    QString StatusKey = kStatusKey;
    QString XmitPath;
    QString RecentPath;
    QString TargetPath;
    QString TargetExt;
    std::unique_ptr<MemberReader> Reader;
    // Text records of the current command are cut to this length; -1: not cut.
    int RecordCut = -1;
    ProgressDialog* Progress = nullptr;
    AboutDialog* About = nullptr;

    // Controls, by their object names.
    QToolBar* ToolBar1;
    QToolButton *SbnOpen, *SbnExtract, *SbnView, *SbnJcl, *SpeedButton3, *SbnOptions, *SpeedButton2,
        *AboutButton;
    QAction *MnuFileOpen, *MnuFileClose, *MnuFileRecentFile, *MnuFileExit, *MnuEditSelectAll,
        *MnuEditDeSelectAll, *MnuXmitView, *MnuXmitExtract, *MnuXmitDumpFile, *MnuOptions,
        *MnuViewToolbar, *MnuViewCloseViewers, *MnuHelpContents, *MnuHelpHome, *MnuHelpCbt,
        *MnuHelpPlanet, *MnuHelpAbout;
    QAction *PopListView, *PopListExtract, *PopListSelect, *PopListDeSelect;
    QAction *MnuXmitFindContaining, *MnuXmitExtractAll;
    // Writing XMIT files: of PC files, and of the open library again.
    QAction *MnuFileCreate, *MnuXmitSaveAs;
    // The original of a file a transfer changed, when the one open is such.
    QAction* MnuFileSaveRepaired;
    // Above the member list: the name filter, "N of M members", Show all.
    QWidget* FilterBar;
    QLineEdit* EdtFilter;
    QLabel* LblFilterCount;
    QToolButton* BtnShowAll;
    QMenu* lPopListView;
    QTabWidget* TabInfo;
    TabRows* TabInfoRows;  // the tabs of TabInfo, on as many rows as they need
    QSplitter* Splitter1;
    MemberView* LvwMembers;
    QPlainTextEdit* MmoTabMessage;
    ElidedLabel *LblSize, *LblCreated, *LblFileNum, *LblFileName, *LblDataset, *LblType,
        *LblMembers, *LblRecfm, *LblLrecl, *LblBlksize, *LblFromNode, *LblFromId, *LblToNode,
        *LblToId;
    // Shown only for the containers they describe: a tape, its file, a
    // TERSE file, an unload.
    ElidedLabel *LblFormat, *LblLabels, *LblVolser, *LblTapeFile, *LblPacked;

    // A tape or an archive: the list holds its files, the commands work on them once shown.
    bool FilesListed() const {
        return FileIsOpen && (Kind == NodeKind::Tape || Kind == NodeKind::Zip);
    }

    void BuildWindow();
    QWidget* BuildMemberPane();
    void ApplyMemberFilter();
    void UpdateMemberCount();
    QWidget* BuildInfoPage(
        const std::vector<std::tuple<QString, QString, ElidedLabel**, const char*>>& rows);
    void ApplyState(const WindowState& state);
    WindowState CurrentState() const;
    void FormDestroy();
    void ShowFileInfo();
    void ClearFileInfo();
    void UpdateFileState();
    void SetRecentPath(const QString& path);
    void RememberRecentFile(const QString& path);
    void FillRecentFiles();
    // View and double click on transmissions inside: true when the
    // selection was opened in windows of their own.
    bool OpenNestedSelection();
    bool OpenArchive();
    void SetSelectItemsEnabled(bool on);
    // View and extract.
    bool PrepareExtraction();
    void promptShow();
    void HideProgress();
    void ReportNoSelection();
    // False, after telling the user, when the file holds only a message.
    bool HasDataToExtract();
    QList<ListedMember> SelectedRows() const;
    void ViewMember(const ListedMember* row);
    const CodePage& ChosenCodePage() const;
    void ViewSelectedMembers(const QList<ListedMember>& rows);
    bool ConfirmManyViews();
    // offerSalvage: a read that fails on damage is offered as a partial file.
    int ExtractMember(const ListedMember* row, bool offerSalvage = true);
    // Reads one member (or the dataset) into a viewer or a file; 0 when the
    // read ended well or was cancelled, 1 when it failed (the user was told).
    int ReadItem(const ListedMember* row, ViewerWindow* view, const QString& path,
                 corvane::Progress& progress);
    int ReadItem(int member, ViewerWindow* view, const QString& path, corvane::Progress& progress);
    // Fills a member's viewer again in the form and code page it shows now.
    bool RereadView(ViewerWindow& view, int member);
    void ShowError(const Error& error);
    void FinishCommand() { RecordCut = -1; }
    void ShowNotices();
    void ShowHeaderDump(const std::vector<std::string>& lines, bool ok);
    void ExtractSelectedMembers(const QList<ListedMember>& rows);
    // Offers to write what can be read of the reads that failed on damage
    // (damagedReads_), as NAME.partial files; replace: over files that exist.
    void OfferSalvage(const QString& title, bool replace);
    // Writes a checked job under a progress window over the given window;
    // true when the file was written.
    bool WriteCreateJob(QWidget& over, const CreateJob& job, bool replace);
    void SetBusy(bool busy);
    // The dataset's name, or for a dataset without one the file's base name.
    QString DatasetLabel() const;
    void ShowSequentialSummary();
    // The tape's files or the archive's entries in the member list.
    void ShowFiles();
    // The rows of the info tab that tell what container the node came from.
    void ShowContainerFacts();
    // A path opened in a new main window beside this one; null when it
    // could not be opened (the user was told).
    MainWindow* OpenPathWindow(const QString& path);
    // False, after telling the user why, while a tape or an archive is
    // open: the command works on its files once they are shown.
    bool NotOnTape(const QString& command);
    void PlaceViewer(QWidget& view);
    // Hides the progress windows while a modal question or error is up.
    void ModalShown(bool shown);
    void OpenDocument(const QString& path);
    QString SettingsText(const std::string& text) const;
    bool ReportUnopenable(const QString& path);
    // The node just opened made current in the tree, its children listed.
    void ShowInTree();
    // After an open that failed: the node that was open shown again, and said so.
    void KeepOpenNode(const QString& failed);
    // Every command's enabled state, from the node shown and the read in progress.
    void UpdateActions();
    void ApplyValueColour();
    // Shows a node of the tree in this window.
    void OpenTreeNode(const QString& path);
    void ListTreeChildren(const QString& path);
    // The path of the container in a row of the list; empty when the row is none.
    QString ChildPathOfRow(int index) const;

    Environment env_;
    std::unique_ptr<DialogNotifier> notifier_;
    std::unique_ptr<DecodeErrorReport> errors_;
    std::unique_ptr<IniFile> ini_;
    ElidedLabel* panels_[3];
    QList<QPointer<QWidget>> hiddenForModal_;
    int viewerCascade_ = 0;
    WindowState startState_;
    bool destroyed_ = false;
    bool reading_ = false;
    bool closeAfterRead_ = false;
    int pendingTabWidth_ = -1;  // applied once the window has its size
    // Reads into files that failed on damage since the command began, with
    // the names shown for them.
    std::vector<std::pair<ReadRequest, std::string>> damagedReads_;
    std::vector<bool> containing_;  // per member, the last containing search; empty: none
    QMenu* recentMenu_ = nullptr;
    // The open path cut at its "!": the file, then the members inside.
    QStringList pathParts_;
    // The recent files in the File menu's Recent list, newest first.
    QList<QAction*> RecentFileActions;
    QString openPath_;  // the path of the node shown, while one is
    // The tree of the open file and its containers, beside the panes.
    ContainerTree* TvwContainers = nullptr;
    QSplitter* splitterTree_ = nullptr;
    QAction* MnuViewBack = nullptr;
    QAction* MnuViewUp = nullptr;
    QAction* PopListOpenWindow = nullptr;
    std::vector<NodeChild> nodeChildren_;  // the containers of the node shown
    bool treeOpen_ = false;                // the open comes from the tree
    bool keepOnFailure_ = false;           // a failed open leaves the node shown open
    bool treeSizedByUser_ = false;         // the splitter beside the tree was moved
};

// The member list's tooltip while no tape is listed.
inline constexpr char kMembersHint[] =
    "Partition dataset member list - select members to extract or view";

// "Corvane  v3", the fixed texts of the window.
QString FileNamePart(const QString& path);
QString FolderPart(const QString& path);
// Sets the value of an info row and shows the row only when it has one.
void ShowInfoRow(ElidedLabel* value, const QString& text);

}  // namespace corvane::gui
