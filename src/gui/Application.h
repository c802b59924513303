#pragma once

#include <QApplication>

namespace corvane::gui {

// The application object: an error that escapes a command is shown in a
// standard error box and the program goes on.
class CorvaneApplication : public QApplication {
public:
    CorvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace corvane::gui
