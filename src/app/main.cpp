// Corvane: opens IBM mainframe TSO TRANSMIT files.
#include <QMessageBox>

#include "Application.h"
#include "DialogService.h"
#include "Xmitmain.h"
#include "settings/FileTypes.h"
#include "settings/RegFileRegistry.h"

int main(int argc, char** argv) {
    corvane::gui::CorvaneApplication app(argc, argv);
    try {
        corvane::gui::QtDialogService dialogs;
        corvane::RegFileRegistry registry(corvane::RegFileRegistry::DefaultFolder());
        const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
        auto types = corvane::XdgFileTypes::ForUser(program);
        corvane::gui::Environment env;
        env.Dialogs = &dialogs;
        env.Registry = &registry;
        env.Types = types.get();
        env.ProgramPath = program;
        env.Arguments = QCoreApplication::arguments().mid(1);
        corvane::gui::TFrmXmitMain window(env);
        window.FormCreate();
        window.show();
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, "Corvane", QString::fromUtf8(e.what()));
        return 1;
    }
}
