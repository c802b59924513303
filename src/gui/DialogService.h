#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

class QDialog;
class QPrinter;
class QWidget;

namespace corvane {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

}  // namespace corvane

namespace corvane::gui {

// Every file dialog, message box, modal window and shell call of the
// program goes through this object, so that tests can answer them without
// a modal loop.
class DialogService {
  public:
    virtual ~DialogService() = default;

    struct FileRequest {
        QString Title;
        QString Folder;
        QString FileName;  // proposed name
        QString Filter;    // "Description|*.a;*.b|..." as the program writes it
        bool MustExist = false;
        bool ConfirmOverwrite = false;
    };
    virtual std::optional<QString> OpenFile(QWidget* parent, const FileRequest& request) = 0;
    // Several existing files at once; without an override, the one file
    // OpenFile gives.
    virtual std::optional<QStringList> OpenFiles(QWidget* parent, const FileRequest& request);
    virtual std::optional<QString> SaveFile(QWidget* parent, const FileRequest& request) = 0;
    // A folder picker starting in Folder; the chosen folder, or none.
    virtual std::optional<QString> ChooseFolder(QWidget* parent, const FileRequest& request) = 0;
    virtual MessageAnswer Message(QWidget* parent, const QString& text, const QString& caption,
                                  MessageIcon icon, MessageButtons buttons) = 0;
    // Runs one of the program's own modal windows; returns its result code.
    virtual int Exec(QDialog& dialog) = 0;
    virtual bool Print(QWidget* parent, QPrinter& printer) = 0;
    virtual bool PageSetup(QWidget* parent, QPrinter& printer) = 0;
    // The shell's "open" of a document or address; false when nothing on
    // the system opens it.
    virtual bool OpenUrl(const QString& url) = 0;
};

// The real dialogs.
class QtDialogService : public DialogService {
  public:
    std::optional<QString> OpenFile(QWidget* parent, const FileRequest& request) override;
    std::optional<QStringList> OpenFiles(QWidget* parent, const FileRequest& request) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileRequest& request) override;
    std::optional<QString> ChooseFolder(QWidget* parent, const FileRequest& request) override;
    MessageAnswer Message(QWidget* parent, const QString& text, const QString& caption,
                          MessageIcon icon, MessageButtons buttons) override;
    int Exec(QDialog& dialog) override;
    bool Print(QWidget* parent, QPrinter& printer) override;
    bool PageSetup(QWidget* parent, QPrinter& printer) override;
    bool OpenUrl(const QString& url) override;
};

// "Xmit files (*.xmi)|*.xmi|All files (*.*)|*.*" to Qt's filter list.
QStringList QtFilters(const QString& filter);

// Message boxes of one window, through the dialog service.
class DialogNotifier {
  public:
    DialogNotifier(DialogService& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}
    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons);

    // Told before (true) and after (false) a message is shown.
    void OnModal(std::function<void(bool)> told) { modal_ = std::move(told); }
    // While one is given, plain messages are kept here instead of being shown.
    void CollectInto(QStringList* kept) { collect_ = kept; }

  private:
    std::function<void(bool)> modal_;
    QStringList* collect_ = nullptr;
    DialogService& dialogs_;
    QWidget* parent_;
};

}  // namespace corvane::gui
