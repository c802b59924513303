// Extract all: every member (or the sequential dataset) to files in one
// folder, named as corvane-cli extract names them.
#include <QApplication>
#include <QLabel>

#include "DialogService.h"
#include "JobProgress.h"
#include "MainWindow.h"
#include "ProgressDialog.h"
#include "extract/ExistingFile.h"
#include "extract/ReadChoice.h"
#include "extract/Salvage.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"
#include "present/Presenter.h"

namespace corvane::gui {

namespace {
struct Item {
    const MemberEntry* Member;  // null: the sequential dataset
    std::string Name;
    std::filesystem::path Path;
};

// The bytes an item's data covers in the file; 0 when not known.
std::int64_t ItemBytes(const Item& item, const XmitInfo& info) {
    const std::int64_t start = item.Member ? item.Member->DataStart : info.DataStart;
    const std::int64_t end = item.Member ? item.Member->DataEnd : info.DataEnd;
    return start >= 0 && end > start ? end - start : 0;
}
}  // namespace

void MainWindow::MnuXmitExtractAllClick() {
    if (!Info || reading_ || !HasDataToExtract()) return;
    DialogService::FileRequest request;
    request.Title = "Extract all to folder";
    const auto chosen = env_.Dialogs->ChooseFolder(this, request);
    if (!chosen || chosen->isEmpty()) return;
    const std::filesystem::path folder = PathFromUtf8(chosen->toStdString());

    // Text for fixed-length records, else binary, as corvane-cli extract
    // does by default; its names and extensions too.
    const bool text = AutoReadsAsText(Info->Dataset);
    const std::string ext = text ? ".txt" : ".bin";
    std::vector<Item> items;
    OutputNameSet names;
    if (Info->Partitioned) {
        for (const MemberEntry& m : Info->Members)
            items.push_back({&m, m.Name, folder / PathFromUtf8(names.Take(m.Name, ext))});
    } else {
        std::string name = Info->Dataset.Name;
        if (present::TrimmedName(name).empty())
            name = PathToUtf8(PathFromUtf8(XmitPath.toStdString()).stem());
        items.push_back({nullptr, name, folder / PathFromUtf8(names.Take(name, ext))});
    }

    // Files that exist are replaced only when the user says so; the file
    // being read never.
    int existing = 0;
    for (const Item& item : items) existing += PathPresent(item.Path) ? 1 : 0;
    bool replace = false;
    if (existing > 0) {
        replace =
            env_.Dialogs->Message(
                this,
                QString("%1 of the %2 files already exist in %3.\nReplace them? (No "
                        "skips them.)")
                    .arg(existing)
                    .arg(items.size())
                    .arg(*chosen),
                "Extract all", MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
    }

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    PrepareExtraction();
    SetBusy(true);
    Progress->setWindowTitle("Extract all");
    Progress->show();
    Progress->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int written = 0, skipped = 0;
    bool cancelled = false;
    QStringList failures;
    damagedReads_.clear();
    std::int64_t total = 0;
    for (const Item& item : items) total += ItemBytes(item, *Info);
    JobProgress job(*Progress, "Extracting", items.size(), total);
    for (const Item& item : items) {
        const QString shown = QString::fromStdString(DisplayName(present::TrimmedName(item.Name)));
        const TargetAction action = ActionFor(item.Path, replace);
        if (action != TargetAction::Write) {
            if (action == TargetAction::NeverWritten) {
                failures << shown + ": the file being read is never written";
            } else {
                ++skipped;
            }
            continue;
        }
        job.StartItem(shown, ItemBytes(item, *Info));
        if (job.Cancelled()) {  // clicked between two reads
            cancelled = true;
            break;
        }
        ReadRequest read;
        read.Member = item.Member;
        read.Form = text ? ReadForm::Text : ReadForm::Binary;
        read.OutputFile = item.Path;
        read.Name = DisplayName(item.Name);
        const auto done = Reader->Read(read, job);
        if (!done) {
            failures << shown + ": " + QString::fromStdString(done.Err().Message);
            if (done.Err().What == Error::Kind::Damaged &&
                (!item.Member || item.Member->DataStart >= 0))
                damagedReads_.emplace_back(read, present::TrimmedName(item.Name));
        } else if (done->Cancelled) {
            cancelled = true;  // the member cut short is not counted
            break;
        } else {
            ++written;
        }
        if (closeAfterRead_) break;
    }
    HideProgress();
    SetBusy(false);
    SetStatus(0, QString::fromStdString(present::ProcessedText(static_cast<std::size_t>(written))));
    QString report = QString("%1 of %2 files written to %3.")
                         .arg(written)
                         .arg(items.size())
                         .arg(QString::fromStdString(PathToUtf8(folder)));
    if (cancelled) report += "\nCancelled: the rest were not written.";
    if (skipped > 0) report += QString("\n%1 skipped: the file exists.").arg(skipped);
    if (!failures.isEmpty()) {
        constexpr qsizetype kShown = 15;
        report += QString("\n%1 failed:\n").arg(failures.size());
        report += QStringList(failures.mid(0, kShown)).join('\n');
        if (failures.size() > kShown)
            report += QString("\n... and %1 more.").arg(failures.size() - kShown);
    }
    ModalShown(true);
    env_.Dialogs->Message(this, report, "Extract all",
                          failures.isEmpty() ? MessageIcon::Information : MessageIcon::Warning,
                          MessageButtons::Ok);
    if (!closeAfterRead_) OfferSalvage("Extract all", replace);
    damagedReads_.clear();
    ModalShown(false);
}

void MainWindow::OfferSalvage(const QString& title, bool replace) {
    if (damagedReads_.empty()) return;
    const std::size_t count = damagedReads_.size();
    const QString question =
        QString(
            "%1 could not be read whole because the file is damaged.\nWrite what can be "
            "read of %2, as NAME.partial %3?")
            .arg(count > 1                            ? QString::number(count) + " members"
                 : damagedReads_.front().first.Member ? QString("One member")
                                                      : QString("The dataset"))
            .arg(count == 1 ? "it" : "them")
            .arg(count == 1 ? "file" : "files");
    if (env_.Dialogs->Message(this, question, title, MessageIcon::Question,
                              MessageButtons::YesNo) != MessageAnswer::Yes) {
        return;
    }
    QStringList said;
    for (const auto& [read, name] : damagedReads_) {
        const auto partial = PartialPath(read.OutputFile);
        if (ActionFor(partial, replace) != TargetAction::Write) {
            said << QString::fromStdString(PathToUtf8(partial)) + " exists: skipped.";
            continue;
        }
        said << QString::fromStdString(Salvage(*Reader, read, *Progress, name).Sentence) + ".";
    }
    env_.Dialogs->Message(this, said.join('\n'), title, MessageIcon::Information,
                          MessageButtons::Ok);
}

}  // namespace corvane::gui
