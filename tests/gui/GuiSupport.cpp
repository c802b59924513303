#include "GuiSupport.h"

#include <QPrinter>

#include "AboutDialog.h"
#include "OptionsDialog.h"
#include "ProgressDialog.h"

namespace corvane::testing {

std::optional<QString> ScriptedDialogs::OpenFile(QWidget*, const FileRequest& r) {
    OpenRequests.push_back(r);
    QString answer;
    if (!OpenAnswers.empty()) {
        answer = OpenAnswers.front();
        OpenAnswers.pop_front();
    }
    if (answer.isEmpty()) return std::nullopt;
    return answer;
}

std::optional<QString> ScriptedDialogs::SaveFile(QWidget*, const FileRequest& r) {
    SaveRequests.push_back(r);
    QString answer;
    if (!SaveAnswers.empty()) {
        answer = SaveAnswers.front();
        SaveAnswers.pop_front();
    }
    if (answer.isEmpty()) return std::nullopt;
    return answer;
}

std::optional<QString> ScriptedDialogs::ChooseFolder(QWidget*, const FileRequest& r) {
    FolderRequests.push_back(r);
    QString answer;
    if (!FolderAnswers.empty()) {
        answer = FolderAnswers.front();
        FolderAnswers.pop_front();
    }
    if (answer.isEmpty()) return std::nullopt;
    return answer;
}

namespace {
bool ProgressShowing() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->inherits("corvane::gui::ProgressDialog") && w->isVisible()) return true;
    }
    return false;
}
}  // namespace

MessageAnswer ScriptedDialogs::Message(QWidget*, const QString& text, const QString& caption,
                                       MessageIcon icon, MessageButtons buttons) {
    Messages.push_back({text, caption, icon, buttons});
    if (ProgressShowing()) ++MessagesOverProgress;
    if (buttons != MessageButtons::YesNo) return MessageAnswer::Ok;
    if (QuestionAnswers.empty()) return MessageAnswer::Yes;
    MessageAnswer a = QuestionAnswers.front();
    QuestionAnswers.pop_front();
    return a;
}

int ScriptedDialogs::Exec(QDialog& dialog) {
    ExecWindows.push_back(dialog.objectName());
    if (ProgressShowing()) ++MessagesOverProgress;
    dialog.setResult(0);
    dialog.show();
    int result = QDialog::Rejected;
    if (!ExecHandlers.empty()) {
        auto handler = ExecHandlers.front();
        ExecHandlers.pop_front();
        result = handler(dialog);
    } else {
        dialog.reject();
        result = dialog.result();
    }
    dialog.hide();
    return result;
}

bool ScriptedDialogs::Print(QWidget*, QPrinter& printer) {
    if (PrintTo.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(PrintTo);
    return true;
}

MainFixture::MainFixture() {
    std::filesystem::create_directories(Dir / "bin");
    Types = std::make_unique<XdgFileTypes>(Dir / "data", Dir / "config", Dir / "bin" / "corvane");
    Env.Dialogs = &Dialogs;
    Env.Registry = &Registry;
    Env.Types = Types.get();
    Env.ProgramPath = Dir / "bin" / "corvane";
    Env.ZipFolder = Dir / "home" / ".local" / "share" / "Corvane" / "UnZipped";
    Env.OpenFolder = Dir / "home" / "Documents";
}

void MainFixture::MakeDefaultFolders() {
    std::filesystem::create_directories(Env.ZipFolder);
    std::filesystem::create_directories(Env.OpenFolder);
}

MainFixture::~MainFixture() {
    Stop();
}

gui::MainWindow& MainFixture::Start(const QStringList& arguments) {
    Stop();
    Env.Arguments = arguments;
    Window = std::make_unique<gui::MainWindow>(Env);
    Window->FormCreate();
    Window->show();
    return *Window;
}

void MainFixture::Stop() {
    if (Window) {
        Window->close();
        Window.reset();
    }
}

std::filesystem::path MainFixture::Write(const std::string& name, const Bytes& bytes) {
    const auto path = Dir / name;
    WriteFile(path, bytes);
    return path;
}

PdsSpec MainFixture::Library(std::size_t members) {
    PdsSpec plan;
    plan.Qualifiers = {"USER", "JCL", "LIB"};
    for (std::size_t i = 0; i < members; ++i) {
        std::string text;
        for (int line = 0; line < 3; ++line) {
            std::string card = "MEMBER " + std::to_string(i) + " LINE " + std::to_string(line);
            card.resize(80, ' ');
            text += card;
        }
        plan.Members.push_back(
            {"MEM" + std::to_string(i), ToEbcdic(text), false, "",
             IspfStats(1, static_cast<std::uint8_t>(i), 1, 24, 100, 12, 30, "TESTER")});
    }
    return plan;
}

gui::MemberView* Members(QWidget& window) {
    return Find<gui::MemberView>(&window, "LvwMembers");
}

gui::OptionsDialog* OptionsOf(QWidget& window) {
    return Find<gui::OptionsDialog>(&window, "FrmXmitOptions");
}

gui::ProgressDialog* ProgressOf(QWidget& window) {
    return Find<gui::ProgressDialog>(&window, "FrmXmitCancel");
}

gui::AboutDialog* AboutOf(QWidget& window) {
    return Find<gui::AboutDialog>(&window, "FrmAbout");
}

QList<QAction*> RecentActions(QWidget& window) {
    QList<QAction*> actions;
    for (int k = 1;; ++k) {
        auto* a = Find<QAction>(&window, QString("MnuFileRecent%1").arg(k).toUtf8().constData());
        if (!a) return actions;
        actions << a;
    }
}

}  // namespace corvane::testing
