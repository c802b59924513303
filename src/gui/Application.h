#pragma once

#include <QApplication>

namespace corvane::gui {

// Names the program to the system. No display name is set: the toolkit
// would append it to every window's caption.
void ConfigureApplication(QApplication& app);

// The application object: an error that escapes a command is shown in a
// standard error box and the program goes on.
class CorvaneApplication : public QApplication {
  public:
    CorvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace corvane::gui
