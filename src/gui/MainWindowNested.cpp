// Transmissions inside members shown in the tree or opened in windows of
// their own, files dropped on the window, and the list of recent files.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "DialogService.h"
#include "MainWindow.h"
#include "io/AtomicWriter.h"
#include "nested/XmitPath.h"
#include "settings/RecentFiles.h"

namespace corvane::gui {

bool MainWindow::OpenNestedSelection() {
    if (!Info || !FileIsOpen || reading_) return false;
    if (FilesListed()) {
        // A file of a tape or an archive is shown in the tree: one at a time.
        const QString what = Kind == NodeKind::Zip ? "entry of the archive" : "file of the tape";
        const QList<ListedMember> rows = SelectedRows();
        if (rows.size() == 1) {
            OpenTreeNode(ChildPathOfRow(rows.first().Index));
        } else {
            env_.Dialogs->Message(this,
                                  rows.isEmpty()
                                      ? "Select a " + what + " from the list."
                                      : "Select only one " + what +
                                            ": View shows it in the tree. Open in new window opens "
                                            "several.",
                                  "Corvane", MessageIcon::None, MessageButtons::Ok);
        }
        return true;
    }
    if (!Info->Partitioned) {
        if (!Info->DataHoldsXmit) return false;
        OpenTreeNode(ChildPathOfRow(0));
        return true;
    }
    // Only a selection of transmissions opens them; mixed with other
    // members, all are viewed as data.
    const QList<ListedMember> rows = SelectedRows();
    if (rows.isEmpty()) return false;
    for (const ListedMember& row : rows) {
        if (!Info->Members.at(static_cast<std::size_t>(row.Index)).HoldsXmit) return false;
    }
    if (rows.size() == 1) {
        OpenTreeNode(ChildPathOfRow(rows.first().Index));
        return true;
    }
    // Several go beside each other, each in a window of its own.
    for (const ListedMember& row : rows) {
        OpenNestedWindow(&Info->Members.at(static_cast<std::size_t>(row.Index)));
    }
    return true;
}

MainWindow* MainWindow::OpenNestedWindow(const MemberEntry* member) {
    return OpenPathWindow(
        QString::fromStdString(NestedPath(XmitPath.toStdString(), *Info, member)));
}

MainWindow* MainWindow::OpenPathWindow(const QString& path) {
    Environment env = env_;
    env.Arguments = {path};
    auto* window = new MainWindow(env);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->FormCreate();
    if (!window->FileIsOpen) {
        // The error has been shown; an empty window would only stand in the way.
        window->close();
        return nullptr;
    }
    const int step = std::max(24, fontMetrics().height() + 10);
    window->move(pos() + QPoint(step, step));
    window->show();
    window->raise();
    return window;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!reading_ && urls.size() == 1 && urls.first().isLocalFile()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (reading_ || urls.size() != 1 || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    XmitPath = urls.first().toLocalFile();
    DebugHeaders = false;
    keepOnFailure_ = true;  // a file dropped by mistake does not close the one open
    OpenXmitFile(false);
    keepOnFailure_ = false;
}

void MainWindow::RememberRecentFile(const QString& path) {
    WriteRecentFiles(*env_.Registry,
                     WithRecentFile(ReadRecentFiles(*env_.Registry), path.toStdString()));
    FillRecentFiles();
}

void MainWindow::FillRecentFiles() {
    const std::vector<std::string> files = ReadRecentFiles(*env_.Registry);
    for (int k = 0; k < RecentFileActions.size(); ++k) {
        QAction* a = RecentFileActions[k];
        const bool used = static_cast<std::size_t>(k) < files.size();
        const QString path = used ? QString::fromStdString(files[static_cast<std::size_t>(k)]) : "";
        QString shown = path;
        shown.replace("&", "&&");  // the path itself, never an access key
        a->setText(QString("&%1 %2").arg(k + 1).arg(shown));
        a->setData(path);
        a->setVisible(used);
    }
}

void MainWindow::OpenRecentFile(const QString& path) {
    if (reading_ || path.isEmpty()) return;
    const std::vector<std::string> parts = SplitXmitPath(path.toStdString());
    if (!PathPresent(PathFromUtf8(parts[0]))) {
        WriteRecentFiles(*env_.Registry,
                         WithoutRecentFile(ReadRecentFiles(*env_.Registry), path.toStdString()));
        FillRecentFiles();
        env_.Dialogs->Message(this,
                              path +
                                  "\n\nThis file no longer exists. It has been removed from "
                                  "the list of recent files.",
                              "Recent files", MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    XmitPath = path;
    DebugHeaders = false;
    OpenXmitFile(false);
}

}  // namespace corvane::gui
