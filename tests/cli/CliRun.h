#pragma once
// Runs corvane-cli as a user would and keeps what it printed.
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "io/Platform.h"

namespace corvane::testing {

struct CliRun {
    int Code = -1;
    std::string Out;
};

// The pipe to a new process, tried a few times: starting one can fail for
// a moment on a loaded machine (under Wine it has), and then the command has
// not run at all. Null when it never started.
template <class Open>
std::FILE* Started(Open open) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (std::FILE* p = open()) return p;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return nullptr;
}

inline CliRun NotStarted() {
    CliRun r;
    r.Out = std::string("corvane-cli could not be started: ") + std::strerror(errno);
    return r;
}

#ifdef _WIN32
inline std::string Q(const std::filesystem::path& p) {
    return "\"" + p.string() + "\"";
}

// cmd.exe runs the line (standard error kept when asked); it drops the outer
// pair of quotes around the whole.
inline CliRun Cli(const std::string& args, bool withErrors = false) {
    CliRun r;
    std::string cmd = "\"" + Q(std::filesystem::absolute(CORVANE_CLI)) + " " + args +
                      (withErrors ? " 2>&1\"" : " 2>NUL\"");
    std::FILE* p = Started([&] { return _wpopen(platform::WideFromUtf8(cmd).c_str(), L"rb"); });
    if (!p) return NotStarted();
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.Out.append(buf.data(), n);
    r.Code = _pclose(p);
    return r;
}
#else
inline std::string Q(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}

// Runs the tool (standard error kept when asked), never waiting forever.
inline CliRun Cli(const std::string& args, bool withErrors = false) {
    CliRun r;
    std::string cmd = "timeout 20 " + std::string(CORVANE_CLI) + " " + args +
                      (withErrors ? " 2>&1" : " 2>/dev/null");
    std::FILE* p = Started([&] { return popen(cmd.c_str(), "r"); });
    if (!p) return NotStarted();
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.Out.append(buf.data(), n);
    int status = pclose(p);
    r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
#endif

}  // namespace corvane::testing
