// corvane-viewer-bench DIR: opens a member of 1,000,000 lines in a viewer
// window through the View command and times it, then times scrolling and
// selecting in the filled window, and one search with its find bar.
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "DialogService.h"
#include "FindBar.h"
#include "MainWindow.h"
#include "MemoryRegistry.h"
#include "ViewerWindow.h"
#include "XmitBuilder.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
double Since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-viewer-bench DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir / "bin");
    const auto path = dir / "million.xmi";
    if (!std::filesystem::exists(path)) {
        PdsSpec plan;
        plan.Blksize = 27920;
        plan.BlocksPerRecord = 1;
        plan.BlocksPerTrack = 200;
        plan.Extents = {{1, 0, 9000, 14}};
        std::string text;
        text.reserve(80'000'000);
        for (int i = 0; i < 1'000'000; ++i) {
            char line[81];
            std::snprintf(line, sizeof line, "%-72s%08d",
                          "//STEP    EXEC PGM=IEFBR14,PARM='A LINE OF A VERY LONG MEMBER'", i);
            text.append(line, 80);
        }
        plan.Members = {{"MILLION", ToEbcdic(text), false, "", {}}};
        FileOut out(path);
        BuildPds(plan, out);
    }
    gui::QtDialogService dialogs;
    MemoryRegistry registry;
    gui::Environment env;
    env.Dialogs = &dialogs;
    env.Registry = &registry;
    env.ProgramPath = dir / "bin" / "corvane";
    env.Arguments = {QString::fromStdString(path.string())};
    gui::MainWindow window(env);
    window.FormCreate();
    window.show();
    window.findChild<gui::MemberView*>("LvwMembers")->SetRowSelected(0, true);
    auto t0 = std::chrono::steady_clock::now();
    window.MnuXmitViewClick();
    QApplication::processEvents();
    const double open = Since(t0);
    gui::ViewerWindow* view = window.findChildren<gui::ViewerWindow*>().value(0);
    if (!view) return 1;
    const std::size_t lines = view->RichEdit1->LineCount();
    t0 = std::chrono::steady_clock::now();
    QScrollBar* bar = view->RichEdit1->verticalScrollBar();
    for (int step = 0; step < 50; ++step) {
        bar->setValue(bar->maximum() * step / 49);
        view->RichEdit1->viewport()->repaint();
    }
    const double scroll = Since(t0) / 50;
    t0 = std::chrono::steady_clock::now();
    view->RichEdit1->selectAll();
    view->RichEdit1->viewport()->repaint();
    const double select = Since(t0);
    std::printf(
        "viewer: %zu lines filled and shown in %.3f s; one scroll step with repaint %.1f ms; "
        "select all %.3f s\n",
        lines, open, scroll * 1000, select);
    // One search through the find bar for the last line's number, from the
    // top: the whole text is read, the match selected and scrolled to.
    view->RichEdit1->MoveToStart();
    view->Find->EdtFind->setText("00999999");
    t0 = std::chrono::steady_clock::now();
    const bool found = view->Find->FindNext();
    view->RichEdit1->viewport()->repaint();
    const double find = Since(t0);
    std::printf("find bar: one search to the last of %zu lines %.3f s (%s)\n", lines, find,
                found ? "found" : "not found");
    view->close();
    return 0;
}
