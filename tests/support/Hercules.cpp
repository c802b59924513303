#include "Hercules.h"

#include <array>
#include <cstdio>
#include <fstream>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace corvane::testing {

namespace {
std::string Quoted(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}

// Hercules 3.13's loader now and then dies of a segmentation fault on a
// busy machine, on a file it loads the other times (about one run in a
// hundred with every core taken). A crash is no verdict on the file: such a
// run is made again, from scratch, a few times.
constexpr int kRunsOnCrash = 4;

bool Crashed(int status) {
#ifdef _WIN32
    (void)status;
    return false;
#else
    // Killed by a signal, or the shell that ran it says so (128 + the signal).
    return status != -1 &&
           (WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) > 128));
#endif
}

template <typename Sink>
int RunInto(const std::string& command, Sink&& sink) {
#ifdef _WIN32
    (void)command;
    (void)sink;
    return -1;
#else
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) sink(buf.data(), n);
    return pclose(p);
#endif
}
}  // namespace

bool HerculesPresent() {
#ifdef _WIN32
    return false;  // a Windows build under Wine sees the Linux files, but cannot run them
#endif
    return std::filesystem::exists("/usr/bin/dasdload") &&
           std::filesystem::exists("/usr/bin/dasdcat");
}

bool HerculesLoad(const std::filesystem::path& xmit, const std::string& dsn,
                  const std::filesystem::path& image, std::string& log) {
    const std::filesystem::path control = image.string() + ".ctl";
    {
        std::ofstream c(control);
        c << "TEST01 3390-1 *\n" << dsn << " XMIT " << xmit.string() << "\n";
    }
    int status = 0;
    for (int run = 0; run < kRunsOnCrash; ++run) {
        std::error_code ec;
        std::filesystem::remove(image, ec);  // the loader makes a new image only
        log.clear();
        status = RunInto("/usr/bin/dasdload -z " + Quoted(control) + " " + Quoted(image) + " 2>&1",
                         [&](const char* p, std::size_t n) { log.append(p, n); });
        if (!Crashed(status)) break;
    }
    // Its messages end in E for an error.
    return status == 0 && log.find("E ") == std::string::npos;
}

Bytes HerculesMember(const std::filesystem::path& image, const std::string& dsn,
                     const std::string& member) {
    Bytes out;
    const std::string command =
        "/usr/bin/dasdcat -i " + Quoted(image) + " '" + dsn + "/" + member + "' 2>/dev/null";
    for (int run = 0; run < kRunsOnCrash; ++run) {
        out.clear();
        const int status = RunInto(
            command, [&](const char* p, std::size_t n) { out.insert(out.end(), p, p + n); });
        if (!Crashed(status)) break;
    }
    return out;
}

}  // namespace corvane::testing
