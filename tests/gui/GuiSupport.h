#pragma once

#include <QApplication>
#include <QDialog>
#include <QPrinter>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "DialogService.h"
#include "Environment.h"
#include "MainWindow.h"
#include "MemoryRegistry.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "settings/FileTypes.h"

namespace corvane::gui {
class AboutDialog;
class OptionsDialog;
class ProgressDialog;
}  // namespace corvane::gui

namespace corvane::testing {

// Answers every dialog from queues and records what was asked.
class ScriptedDialogs : public gui::DialogService {
  public:
    struct Shown {
        QString Text, Caption;
        MessageIcon Icon;
        MessageButtons Buttons;
    };
    std::optional<QString> OpenFile(QWidget*, const FileRequest& r) override;
    std::optional<QString> SaveFile(QWidget*, const FileRequest& r) override;
    std::optional<QString> ChooseFolder(QWidget*, const FileRequest& r) override;
    MessageAnswer Message(QWidget*, const QString& text, const QString& caption, MessageIcon icon,
                          MessageButtons buttons) override;
    int Exec(QDialog& dialog) override;
    bool Print(QWidget*, QPrinter& printer) override;
    bool PageSetup(QWidget*, QPrinter&) override { return true; }
    bool OpenUrl(const QString& url) override {
        Urls << url;
        return !RefuseUrls;
    }

    // Answers of the file dialogs; an empty text (or none left) cancels.
    std::deque<QString> OpenAnswers;
    std::deque<QString> SaveAnswers;
    std::deque<QString> FolderAnswers;
    bool RefuseUrls = false;                    // as a desktop without a program for the file
    std::deque<MessageAnswer> QuestionAnswers;  // for Yes/No boxes; Yes when empty
    // Run inside Exec for each of the program's own modal windows, in
    // order; without one the window is rejected.
    std::deque<std::function<int(QDialog&)>> ExecHandlers;
    QString PrintTo;  // a PDF file; printing is refused when empty

    std::vector<FileRequest> OpenRequests, SaveRequests, FolderRequests;
    // The message boxes shown while a progress window was visible.
    int MessagesOverProgress = 0;
    std::vector<Shown> Messages;
    std::vector<QString> ExecWindows;  // object names of the windows run
    QStringList Urls;
};

// A main window over temporary settings folders.
struct MainFixture {
    MainFixture();
    ~MainFixture();
    // Makes the window (a new lifetime) and runs its start-up.
    gui::MainWindow& Start(const QStringList& arguments = {});
    void Stop();  // closes and destroys the window, saving its state

    TempDir Dir;
    ScriptedDialogs Dialogs;
    MemoryRegistry Registry;
    std::unique_ptr<XdgFileTypes> Types;
    gui::Environment Env;
    std::unique_ptr<gui::MainWindow> Window;

    std::filesystem::path Write(const std::string& name, const Bytes& bytes);
    // The per-user default folders, made.
    void MakeDefaultFolders();
    // A small library: ISPF statistics, FB 80.
    static PdsSpec Library(std::size_t members = 3);
};

template <typename T>
T* Find(QObject* root, const char* name) {
    return root->findChild<T*>(name);
}

// Controls and windows of a main window, by their object names.
gui::MemberView* Members(QWidget& window);
gui::OptionsDialog* OptionsOf(QWidget& window);
gui::ProgressDialog* ProgressOf(QWidget& window);
gui::AboutDialog* AboutOf(QWidget& window);
// The File, Recent entries, newest first.
QList<QAction*> RecentActions(QWidget& window);

}  // namespace corvane::testing
