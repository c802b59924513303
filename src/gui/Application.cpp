#include "Application.h"

#include <QMessageBox>
#include <exception>

namespace corvane::gui {

void ConfigureApplication(QApplication& app) {
    app.setApplicationName("Corvane");
    app.setApplicationVersion("3");
    app.setDesktopFileName("corvane");
}

CorvaneApplication::CorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    ConfigureApplication(*this);
}

bool CorvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        QMessageBox::critical(activeWindow(), "Corvane", QString::fromUtf8(e.what()));
    } catch (...) {
        QMessageBox::critical(activeWindow(), "Corvane", "An unexpected error occurred.");
    }
    return false;
}

}  // namespace corvane::gui
