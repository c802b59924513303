// Tapes in the main window: their files listed, each shown in the tree;
// and the info rows that tell what container a node came from.
#include <QAction>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>

#include "DialogService.h"
#include "ElidedLabel.h"
#include "MainWindow.h"
#include "MemoLines.h"
#include "TabRows.h"
#include "io/OutputName.h"
#include "present/ContainerText.h"
#include "tape/TapeImage.h"

namespace corvane::gui {

namespace {
QString Text(const std::string& s) {
    return QString::fromStdString(DisplayName(s));
}

// "AWS tape image, 4 files" and the like.
QString TapeSummary(const TapeInfo& tape) {
    const std::size_t n = tape.Files.size();
    return Text(present::TapeFormat(tape)) + " tape image, " + QString::number(n) +
           (n == 1 ? " file" : " files");
}
}  // namespace

void ShowInfoRow(ElidedLabel* value, const QString& text) {
    value->SetFullText(text);
    value->setVisible(!text.isEmpty());
    if (!value->parentWidget()) return;
    for (QLabel* caption : value->parentWidget()->findChildren<QLabel*>()) {
        if (caption->buddy() == value) caption->setVisible(!text.isEmpty());
    }
}

void MainWindow::ShowFiles() {
    const std::size_t count = Zip ? Zip->Entries().size() : Tape->Info().Files.size();
    // What each file holds was read once, for the tree.
    std::vector<std::string> contents(count);
    for (const NodeChild& c : nodeChildren_) {
        const char* name = ContentName(c.What);
        if (c.Member < contents.size() && name) contents[c.Member] = name;
    }
    if (Zip) {
        LvwMembers->Model().SetZipEntries(Zip->Entries(), std::move(contents));
        LvwMembers->setToolTip("The entries of the archive - View or a double click opens one");
        return;
    }
    LvwMembers->Model().SetTapeFiles(Tape->Info(), std::move(contents));
    LvwMembers->setToolTip("The files of the tape - View or a double click opens one");
    for (const std::string& note : Tape->Info().Notes) MmoTabMessage->appendPlainText(Text(note));
}

void MainWindow::ShowContainerFacts() {
    if (Kind == NodeKind::Zip) {
        TabInfo->setTabText(0, "zip archive");
        TabInfoRows->Refresh();
        ShowInfoRow(LblFormat, Text(present::ZipSummary(Zip->Entries().size())));
        return;
    }
    if (Kind == NodeKind::Tape) {
        const TapeInfo& tape = Tape->Info();
        TabInfo->setTabText(0, "tape image");
        TabInfoRows->Refresh();
        ShowInfoRow(LblFormat, TapeSummary(tape));
        ShowInfoRow(LblLabels, Text(present::LabelText(tape)));
        ShowInfoRow(LblVolser, tape.Volser.empty() ? QString("none") : Text(tape.Volser));
        return;
    }
    if (Unload) ShowInfoRow(LblFormat, Text(present::UnloadText(*Unload)));
    if (Terse) ShowInfoRow(LblPacked, Text(present::TerseText(*Terse)));
    if (Tape && TapeFile && *TapeFile < Tape->Info().Files.size()) {
        const TapeInfo& tape = Tape->Info();
        const TapeFileInfo& file = tape.Files[*TapeFile];
        QString where = QString("%1 of %2").arg(file.Number).arg(tape.Files.size());
        if (!file.Dsn.empty()) where += ", " + Text(file.Dsn);
        ShowInfoRow(LblTapeFile, where);
        if (!tape.Volser.empty()) ShowInfoRow(LblVolser, Text(tape.Volser));
    }
}

bool MainWindow::NotOnTape(const QString& command) {
    if (!FilesListed()) return true;
    const QString what = Kind == NodeKind::Zip ? "an entry of the archive, not on the archive"
                                               : "a file of the tape, not on the tape";
    env_.Dialogs->Message(this,
                          command + " works on " + what +
                              " itself.\n\nOpen it with View or a double click: it is shown in "
                              "the tree, where " +
                              command + " works as for any transmission.",
                          "Corvane", MessageIcon::Information, MessageButtons::Ok);
    return false;
}

}  // namespace corvane::gui
