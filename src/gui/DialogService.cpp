#include "DialogService.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace corvane::gui {

QStringList QtFilters(const QString& filter) {
    QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';');
        // "*.*" is every file, as Windows reads it, names without a dot too.
        for (QString& p : patterns) {
            if (p == "*.*") p = "*";
        }
        // Qt reads the patterns from the last parentheses, which the dialog
        // hides: the description shows as it is written.
        out << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return out;
}

namespace {
std::optional<QString> RunFileDialog(QWidget* parent, const DialogService::FileRequest& r,
                                     bool save) {
    QFileDialog dialog(parent, r.Title, r.Folder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(r.MustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !r.ConfirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    if (!r.Filter.isEmpty()) dialog.setNameFilters(QtFilters(r.Filter));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (!r.FileName.isEmpty()) dialog.selectFile(r.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}
}  // namespace

std::optional<QString> QtDialogService::OpenFile(QWidget* parent, const FileRequest& request) {
    return RunFileDialog(parent, request, false);
}

std::optional<QStringList> DialogService::OpenFiles(QWidget* parent, const FileRequest& request) {
    const auto one = OpenFile(parent, request);
    if (!one) return std::nullopt;
    return QStringList{*one};
}

std::optional<QStringList> QtDialogService::OpenFiles(QWidget* parent, const FileRequest& request) {
    QFileDialog dialog(parent, request.Title, request.Folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setSizeGripEnabled(true);
    if (!request.Filter.isEmpty()) dialog.setNameFilters(QtFilters(request.Filter));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<QString> QtDialogService::SaveFile(QWidget* parent, const FileRequest& request) {
    return RunFileDialog(parent, request, true);
}

std::optional<QString> QtDialogService::ChooseFolder(QWidget* parent, const FileRequest& request) {
    QFileDialog dialog(parent, request.Title, request.Folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

MessageAnswer QtDialogService::Message(QWidget* parent, const QString& text, const QString& caption,
                                       MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
        case MessageIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MessageIcon::None:
            break;
    }
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

int QtDialogService::Exec(QDialog& dialog) {
    return dialog.exec();
}

bool QtDialogService::Print(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogService::PageSetup(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogService::OpenUrl(const QString& url) {
    return QDesktopServices::openUrl(QUrl(url));
}

MessageAnswer DialogNotifier::Show(const std::string& text, const std::string& caption,
                                   MessageIcon icon, MessageButtons buttons) {
    if (collect_ && buttons == MessageButtons::Ok) {
        *collect_ << QString::fromStdString(text);
        return MessageAnswer::Ok;
    }
    if (modal_) modal_(true);
    const MessageAnswer answer = dialogs_.Message(parent_, QString::fromStdString(text),
                                                  QString::fromStdString(caption), icon, buttons);
    if (modal_) modal_(false);
    return answer;
}

}  // namespace corvane::gui
