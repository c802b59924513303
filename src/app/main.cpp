// Corvane: opens IBM mainframe TSO TRANSMIT files.
#include <QMessageBox>

#include "Application.h"
#include "DialogService.h"
#include "MainWindow.h"
#include "settings/FileTypes.h"
#include "settings/RegFileRegistry.h"
#ifdef _WIN32
#include "settings/WinRegistry.h"
#endif

int main(int argc, char** argv) {
    corvane::gui::CorvaneApplication app(argc, argv);
    try {
        corvane::gui::QtDialogService dialogs;
        const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
#ifdef _WIN32
        corvane::WinRegistry registry;
        auto types = std::make_unique<corvane::RegistryFileTypes>(registry, program);
#else
        // The registry's stand-in file and the desktop's own file-type mechanism.
        corvane::RegFileRegistry registry(corvane::RegFileRegistry::DefaultFolder());
        registry.OnNotice = [&dialogs](const std::string& message) {
            dialogs.Message(nullptr, QString::fromStdString(message), "Corvane",
                            corvane::MessageIcon::Warning, corvane::MessageButtons::Ok);
        };
        auto types = corvane::XdgFileTypes::ForUser(program);
#endif
        corvane::gui::Environment env;
        env.Dialogs = &dialogs;
        env.Registry = &registry;
        env.Types = types.get();
        env.ProgramPath = program;
        env.Arguments = QCoreApplication::arguments().mid(1);
        corvane::gui::MainWindow window(env);
        window.FormCreate();
        window.show();
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, "Corvane", QString::fromUtf8(e.what()));
        return 1;
    }
}
