#include "create/CreateInputs.h"

#include <algorithm>
#include <chrono>
#include <fstream>

#include "create/FileBlocks.h"
#include "io/AtomicWriter.h"
#include "io/OutputName.h"

namespace corvane::create {

DateTime LocalTime(std::time_t t) {
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return {{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday}, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

DateTime FileTime(const std::filesystem::path& path) {
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec) return LocalTime(0);
    const auto system = std::chrono::file_clock::to_sys(written);
    return LocalTime(std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(system)));
}

std::string Stamp14(const DateTime& t) {
    char s[32];
    std::snprintf(s, sizeof s, "%04d%02d%02d%02d%02d%02d", t.Date.Year, t.Date.Month, t.Date.Day,
                  t.Hour, t.Minute, t.Second);
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

namespace {
bool ValidQualifier(const std::string& q) {
    if (q.empty() || q.size() > 8 || (q[0] >= '0' && q[0] <= '9') || q[0] == '-') return false;
    return std::all_of(q.begin(), q.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '@' || c == '#' ||
               c == '$' || c == '-';
    });
}

}  // namespace

bool ValidDatasetName(const std::string& name) {
    if (name.empty() || name.size() > 44) return false;
    std::size_t at = 0;
    while (true) {
        const std::size_t dot = name.find('.', at);
        if (!ValidQualifier(name.substr(at, dot - at))) return false;
        if (dot == std::string::npos) return true;
        at = dot + 1;
    }
}

bool SplitAddress(const std::string& text, std::string& user, std::string& node) {
    const std::size_t at = text.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == text.size() || at > 8 ||
        text.size() - at - 1 > 8) {
        return false;
    }
    user = Upper(text.substr(0, at));
    node = Upper(text.substr(at + 1));
    return true;
}

bool ParseFormat(const std::string& text, WriteFormat& f) {
    const std::string r = Upper(text);
    if (r != "F" && r != "FB" && r != "V" && r != "VB" && r != "U") return false;
    f.Kind = r[0];
    f.Blocked = r.size() == 2;
    return true;
}

std::string NameFromFile(const std::filesystem::path& file) {
    std::string name = FromDisplayName(PathToUtf8(file.filename()));
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return Upper(name);
}

bool MessageRecords(const std::filesystem::path& path, const CodePage* page,
                    std::vector<std::vector<std::uint8_t>>& out, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = "Cannot read the message file " + PathToUtf8(path);
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::uint8_t> record;
        std::size_t bad = 0;
        if (!EncodeLine(line, page, record, bad)) {
            problem = "Line " + std::to_string(number) +
                      " of the message file holds a character "
                      "the code page has no code for";
            return false;
        }
        do {
            std::vector<std::uint8_t> card(
                record.begin(), record.begin() + std::min<std::size_t>(80, record.size()));
            card.resize(80, 0x40);
            out.push_back(std::move(card));
            record.erase(record.begin(), record.begin() + std::min<std::size_t>(80, record.size()));
        } while (!record.empty());
    }
    return true;
}

}  // namespace corvane::create
