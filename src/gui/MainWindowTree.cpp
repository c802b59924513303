// The tree of containers beside the member list: the node shown in the
// window, going down into a member, a tape file or a dataset that holds
// one, back and up, and opening a node in a window of its own instead.
#include <QAction>
#include <QSplitter>
#include <QTimer>
#include <algorithm>

#include "ContainerTree.h"
#include "DialogService.h"
#include "MainWindow.h"
#include "io/OutputName.h"
#include "repair/RepairedOpen.h"
#include "zip/ZipReader.h"

namespace corvane::gui {

void MainWindow::ShowInTree() {
    TvwContainers->ShowNode(pathParts_, FileNamePart(pathParts_.value(0)));
    TvwContainers->SetChildren(TvwContainers->CurrentPath(), nodeChildren_);
    // A file with nothing inside keeps the window as it always was.
    TvwContainers->setVisible(TvwContainers->NodeCount() > 1);
    // Until the user sizes it, the tree grows with its names.
    if (TvwContainers->isVisibleTo(this) && !treeSizedByUser_ &&
        splitterTree_->sizes().value(0) < TvwContainers->NamesWidth()) {
        // Wide enough for its names, as far as the panes beside it allow.
        const int total = std::max(splitterTree_->width(), width());  // laid out or not
        const int wanted = TvwContainers->NamesWidth();
        // A long name scrolls sideways rather than crowd the panes beside it.
        const int width = std::clamp(wanted, 120, std::clamp(total / 3, 120, 260));
        splitterTree_->setSizes({width, std::max(1, total - width)});
    }
    UpdateActions();
    // A node opened by its path: the nodes above it get their other
    // children once the window has shown this one.
    if (!TvwContainers->UnlistedAbove().isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            for (const QString& path : TvwContainers->UnlistedAbove()) ListTreeChildren(path);
        });
    }
}

void MainWindow::OpenTreeNode(const QString& path) {
    if (reading_ || path.isEmpty()) return;
    if (FileIsOpen && path == openPath_) return;
    const QString from = openPath_;
    XmitPath = path;
    DebugHeaders = false;
    treeOpen_ = keepOnFailure_ = true;
    OpenXmitFile(false);
    treeOpen_ = keepOnFailure_ = false;
    UpdateActions();
    // Back or up to the node that holds the one left: the cursor on its row.
    if (!FileIsOpen || from.isEmpty()) return;
    const QString below = openPath_ + QChar(kNestSeparator);
    if (!from.startsWith(below)) return;
    const std::string step = from.mid(below.size()).toStdString();
    for (const NodeChild& c : nodeChildren_) {
        if (c.Step != step) continue;
        const int row = LvwMembers->Model().RowOfMember(static_cast<int>(c.Member));
        if (row >= 0) LvwMembers->ShowRow(row);
        return;
    }
}

void MainWindow::ListTreeChildren(const QString& path) {
    if (reading_) return;
    ParseOptions parse;
    parse.Characters = &ChosenCodePage();
    parse.ArchivesAsNodes = true;
    const int page = ChosenCodePage().Number();
    std::string note;
    auto opened = repair::OpenRepairedPath(path.toStdString(), parse, nullptr,
                                           page == CodePage::kCorvaneTable ? -1 : page, note);
    // A node that cannot be read has no children to show; choosing it says why.
    TvwContainers->SetChildren(path,
                               opened ? NodeChildren(opened.Value()) : std::vector<NodeChild>{});
}

void MainWindow::MnuViewBackClick() {
    if (reading_) return;
    const QString back = TvwContainers->TakeBack();
    if (!back.isEmpty()) OpenTreeNode(back);
}

void MainWindow::MnuViewUpClick() {
    OpenTreeNode(TvwContainers->ParentPath());
}

QString MainWindow::ChildPathOfRow(int index) const {
    for (const NodeChild& c : nodeChildren_) {
        if (static_cast<int>(c.Member) != index) continue;
        const QString part = QString::fromStdString(c.Step);
        const QString path = TvwContainers->ChildPath(part);
        return path.isEmpty() ? openPath_ + QChar(kNestSeparator) + part : path;
    }
    // An entry of an archive that holds nothing known: opening it says so.
    if (Zip && index >= 0 && static_cast<std::size_t>(index) < Zip->Entries().size()) {
        return openPath_ + QChar(kNestSeparator) +
               QString::fromStdString(
                   ZipEntryStep(Zip->Entries()[static_cast<std::size_t>(index)]));
    }
    return {};
}

void MainWindow::PopListOpenWindowClick() {
    if (!Info || !FileIsOpen || reading_) return;
    QStringList paths;
    if (FilesListed() || Info->Partitioned) {
        for (const ListedMember& row : SelectedRows()) {
            const QString path = ChildPathOfRow(row.Index);
            if (!path.isEmpty()) paths << path;
        }
    } else {
        paths << ChildPathOfRow(0);
        paths.removeAll(QString());
    }
    if (paths.isEmpty()) {
        env_.Dialogs->Message(this,
                              "Select a member that holds a transmission, or a file of a tape, "
                              "to open it in a window of its own.",
                              "Corvane", MessageIcon::None, MessageButtons::Ok);
        return;
    }
    for (const QString& path : paths) OpenPathWindow(path);
}

}  // namespace corvane::gui
