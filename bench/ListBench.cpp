// corvane-list-bench DIR [CLI]: opens a library of 100,000 members from the
// command line, as a user does, and times until the main window shows its
// list; then sorting by a column, selecting all and reading the selection,
// and typing a name filter; then Find members containing and Extract all,
// each beside corvane-cli grep and extract on the same file when CLI (the
// path of corvane-cli) is given.
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ContainingDialog.h"
#include "DialogService.h"
#include "MainWindow.h"
#include "MemoryRegistry.h"
#include "XmitBuilder.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
double Since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The resident memory now, from /proc (0 where there is none).
double ResidentMiB() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1) break;
    }
    std::fclose(f);
    return static_cast<double>(kib) / 1024.0;
}

// Answers the window's questions as a user would, without waiting for one:
// the string to find, the folder to extract into, Yes to replacing.
class Answers : public gui::QtDialogService {
  public:
    QString Find, Folder;
    int Exec(QDialog& dialog) override {
        if (auto* ask = qobject_cast<gui::ContainingDialog*>(&dialog)) {
            ask->findChild<QLineEdit*>("EdtContaining")->setText(Find);
            return QDialog::Accepted;
        }
        return QDialog::Rejected;
    }
    std::optional<QString> ChooseFolder(QWidget*, const FileRequest&) override { return Folder; }
    MessageAnswer Message(QWidget*, const QString&, const QString&, MessageIcon,
                          MessageButtons) override {
        return MessageAnswer::Yes;
    }
};

double Timed(const std::string& command) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return Since(t0);
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: corvane-list-bench DIR [CLI]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir / "bin");
    const auto path = dir / "members-100000.xmi";
    constexpr std::size_t kMembers = 100000;
    if (!std::filesystem::exists(path)) {
        PdsSpec plan;
        plan.Blksize = 27920;
        plan.BlocksPerRecord = 1;
        plan.BlocksPerTrack = 2;
        plan.Extents = {{1, 0, 65000, 14}};
        for (std::size_t i = 0; i < kMembers; ++i) {
            char name[9];
            std::snprintf(name, sizeof name, "M%07zu", kMembers - 1 - i);
            plan.Members.push_back(
                {name,
                 {},
                 false,
                 "",
                 IspfStats(static_cast<std::uint8_t>(i % 99), 0, 1, 26,
                           static_cast<std::uint16_t>(1 + i % 365), 0, 0, "BENCH")});
        }
        plan.Generate = [](std::size_t i, Bytes& data) {
            char card[81];
            std::snprintf(card, sizeof card, "%-80zu", i);
            data = ToEbcdic(std::string(card, 80));
        };
        FileOut out(path);
        BuildPds(plan, out);
    }
    Answers dialogs;
    MemoryRegistry registry;
    gui::Environment env;
    env.Dialogs = &dialogs;
    env.Registry = &registry;
    env.ProgramPath = dir / "bin" / "corvane";
    env.ZipFolder = dir / "zip";
    env.OpenFolder = dir;
    env.Arguments = {QString::fromStdString(path.string())};

    auto t0 = std::chrono::steady_clock::now();
    gui::MainWindow window(env);
    window.FormCreate();
    window.show();
    QApplication::processEvents();
    auto* list = window.findChild<gui::MemberView*>("LvwMembers");
    auto* filter = window.findChild<QLineEdit*>("EdtFilter");
    list->viewport()->repaint();
    const double open = Since(t0);
    const double resident = ResidentMiB();
    if (list->RowCount() != static_cast<int>(kMembers)) return 1;

    t0 = std::chrono::steady_clock::now();
    list->Model().sort(3, Qt::AscendingOrder);  // "Modified"
    list->viewport()->repaint();
    const double sortDate = Since(t0);
    t0 = std::chrono::steady_clock::now();
    list->Model().sort(0, Qt::AscendingOrder);
    list->viewport()->repaint();
    const double sortName = Since(t0);
    t0 = std::chrono::steady_clock::now();
    window.PopListSelectClick();
    const auto selected = list->SelectedMembers();
    const double select = Since(t0);
    std::printf(
        "%zu members: open to a painted window %.3f s, %.1f MiB resident; sort by date %.3f s, "
        "by name %.3f s; select all and read %lld selected %.3f s\n",
        kMembers, open, resident, sortDate, sortName, static_cast<long long>(selected.size()),
        select);

    // The name filter, typed a character at a time (the whole list selected):
    // the slowest keystroke, the list filtered and repainted.
    double slowest = 0;
    const QString typed = "m00012*4";
    for (qsizetype k = 1; k <= typed.size(); ++k) {
        t0 = std::chrono::steady_clock::now();
        filter->setText(typed.left(k));
        list->viewport()->repaint();
        slowest = std::max(slowest, Since(t0));
    }
    const int shown = list->RowCount();
    t0 = std::chrono::steady_clock::now();
    filter->clear();
    list->viewport()->repaint();
    std::printf(
        "filter typed a character at a time: slowest keystroke %.1f ms (%d shown at the end); "
        "cleared again %.1f ms\n",
        slowest * 1000, shown, Since(t0) * 1000);

    // Find members containing a string few members hold, so that nearly
    // every member is read through; then Extract all into a fresh folder.
    dialogs.Find = "29999 ";
    t0 = std::chrono::steady_clock::now();
    window.MnuXmitFindContainingClick();
    const double find = Since(t0);
    const std::filesystem::path out = dir / "extracted";
    std::filesystem::remove_all(out);
    dialogs.Folder = QString::fromStdString(out.string());
    t0 = std::chrono::steady_clock::now();
    window.MnuXmitExtractAllClick();
    const double extract = Since(t0);
    std::printf("Find members containing %.2f s (%d found); Extract all %.2f s\n", find,
                list->RowCount(), extract);
    if (argc == 3) {
        const std::string cli = argv[2];
        const double grep = Timed(cli + " grep '29999 ' '" + path.string() + "' >/dev/null");
        std::filesystem::remove_all(out);
        const double cliExtract =
            Timed(cli + " extract '" + path.string() + "' -o '" + out.string() + "' >/dev/null");
        std::printf(
            "corvane-cli grep %.2f s (window %.2fx); corvane-cli extract %.2f s (window "
            "%.2fx)\n",
            grep, find / grep, cliExtract, extract / cliExtract);
    }
    return 0;
}
