#include "Hercules.h"

#include <array>
#include <cstdio>
#include <fstream>

namespace corvane::testing {

namespace {
std::string Quoted(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}

std::string Run(const std::string& command, int& code) {
    std::string out;
#ifdef _WIN32
    code = -1;
    (void)command;
#else
    std::FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) {
        code = -1;
        return out;
    }
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    code = pclose(p);
#endif
    return out;
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
    int code = 0;
    log = Run("/usr/bin/dasdload -z " + Quoted(control) + " " + Quoted(image), code);
    // Its messages end in E for an error.
    return code == 0 && log.find("E ") == std::string::npos;
}

Bytes HerculesMember(const std::filesystem::path& image, const std::string& dsn,
                     const std::string& member) {
    Bytes out;
#ifndef _WIN32
    const std::string command =
        "/usr/bin/dasdcat -i " + Quoted(image) + " '" + dsn + "/" + member + "' 2>/dev/null";
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    std::array<std::uint8_t, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        out.insert(out.end(), buf.data(), buf.data() + n);
    pclose(p);
#else
    (void)image;
    (void)dsn;
    (void)member;
#endif
    return out;
}

}  // namespace corvane::testing
