// corvane-screenshots OUTDIR SAMPLES: pictures of the windows for the user
// guide, taken from the real windows on real sample files.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <iostream>

#include "DecodeErrorDialog.h"
#include "ExtractPrompt.h"
#include "GuiSupport.h"
#include "OptionsDialog.h"
#include "ProgressDialog.h"
#include "ViewerWindow.h"
#include "ZipIntakeDialog.h"

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::testing;

namespace {
QString out;

void Save(QWidget& w, const char* name) {
    QApplication::processEvents();
    const QString path = out + "/" + name;
    if (!w.grab().save(path)) std::cerr << "cannot write " << path.toStdString() << "\n";
}

// A window as the desktop shows it, with the window manager's frame where
// there is one; without a window manager, as Save takes it.
void SaveFramed(QWidget& w, const char* name) {
    w.move(40, 40);
    w.raise();
    QEventLoop settle;  // the window manager places and frames it meanwhile
    QTimer::singleShot(600, &settle, &QEventLoop::quit);
    settle.exec();
    const QRect frame = w.frameGeometry();
    if (frame == w.geometry() || !w.screen()) return Save(w, name);
    const QString path = out + "/" + name;
    const QPixmap shot =
        w.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (!shot.save(path)) std::cerr << "cannot write " << path.toStdString() << "\n";
}

ViewerWindow* LastViewer(MainWindow& w) {
    ViewerWindow* last = nullptr;
    for (ViewerWindow* v : w.findChildren<ViewerWindow*>()) {
        if (v->isVisible()) last = v;
    }
    return last;
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: corvane-screenshots OUTDIR SAMPLES\n";
        return 2;
    }
    out = argv[1];
    const std::filesystem::path samples = argv[2];
    MainFixture f;
    f.MakeDefaultFolders();
    MainWindow& w = f.Start({QString::fromStdString((samples / "CMSBATCH.xmi").string())});
    w.resize(760, 420);
    Members(w)->SetRowSelected(1, true);
    Members(w)->SetRowSelected(3, true);
    w.LvwMembersClick();
    Save(w, "main-window.png");

    Members(w)->clearSelection();
    Members(w)->SetRowSelected(1, true);
    w.MnuXmitViewClick();
    if (ViewerWindow* v = LastViewer(w)) {
        Save(*v, "viewer-text.png");
        v->close();
    }
    w.SetTextMode(false);
    w.MnuXmitViewClick();
    if (ViewerWindow* v = LastViewer(w)) {
        Save(*v, "viewer-hex.png");
        v->close();
    }

    ExtractPrompt prompt(&w, true, 80);
    Find<QSpinBox>(&prompt, "UpDownRecLen")->setValue(72);
    prompt.show();
    Save(prompt, "prompt.png");
    prompt.hide();

    ProgressDialog progress(&w);
    progress.setWindowTitle("Saving files");
    progress.SetItem("ASYS");
    progress.SetMaximum(1000);
    progress.SetMinimum(0);
    Find<QProgressBar>(&progress, "ProgressBar1")->setValue(4200);
    progress.show();
    Save(progress, "progress.png");
    progress.hide();

    f.Dialogs.ExecHandlers.push_back([](QDialog& d) {
        Save(d, "options.png");
        d.reject();
        return d.result();
    });
    w.MnuOptionsXmitClick();

    f.Dialogs.ExecHandlers.push_back([](QDialog& d) {
        auto& z = dynamic_cast<ZipIntakeDialog&>(d);
        z.resize(600, 380);
        Find<QTreeWidget>(&z, "LvwZip")
            ->setCurrentItem(Find<QTreeWidget>(&z, "LvwZip")->topLevelItem(0));
        Save(z, "zip-window.png");
        z.reject();
        return z.result();
    });
    w.OpenPath(QString::fromStdString((samples / "rev370.zip").string()));

    f.Dialogs.ExecHandlers.push_back([](QDialog& d) {
        auto& e = dynamic_cast<DecodeErrorDialog&>(d);
        Find<QPushButton>(&e, "BtnDetails")->click();
        Save(e, "error-window.png");
        return 0;
    });
    Bytes bad = ReadFile(samples / "test_seq.xmi");
    bad[0x0A] = 0x00;  // a text-unit key no reader knows
    bad[0x0B] = 0x04;
    w.OpenPath(QString::fromStdString(f.Write("damaged.xmi", bad).string()));

    // A tape: its files listed, and the tree of what it holds.
    const std::filesystem::path tape = samples / "containers" / "test_tape.aws";
    if (!std::filesystem::exists(tape)) {
        std::cerr << "containers/test_tape.aws absent: no tape pictures\n";
        return 0;
    }
    w.hide();
    MainFixture g;  // f's window owns the dialogs above: it stays, hidden
    MainWindow& t = g.Start({QString::fromStdString(tape.string())});
    t.resize(1060, 300);
    Find<QSplitter>(&t, "Splitter1")->setSizes({260, 800});
    Members(t)->SetRowSelected(1, true);
    t.LvwMembersClick();
    SaveFramed(t, "tape-window.png");
    // Its second file, an unload, shown in the same window, the tree beside.
    t.MnuXmitViewClick();
    t.resize(1060, 340);
    Find<QSplitter>(&t, "Splitter1")->setSizes({260, 640});
    SaveFramed(t, "unload-window.png");
    return 0;
}
