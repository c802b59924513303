#include "create/IspfStats.h"

#include <algorithm>
#include <string>

#include "create/NetdataOut.h"

namespace corvane::create {

namespace {
std::uint8_t Packed(int v) {
    return static_cast<std::uint8_t>((v / 10 % 10) << 4 | (v % 10));
}

int DayOfYear(const CalendarDate& d) {
    static const int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = (d.Year % 4 == 0 && d.Year % 100 != 0) || d.Year % 400 == 0;
    const int month = std::clamp(d.Month, 1, 12);
    return before[month - 1] + d.Day + (leap && month > 2 ? 1 : 0);
}

void PutDate(std::uint8_t* p, const CalendarDate& d) {
    const int day = DayOfYear(d);
    p[0] = d.Year >= 2000 ? 1 : 0;
    p[1] = Packed(d.Year % 100);
    p[2] = static_cast<std::uint8_t>((day / 100) << 4 | (day / 10 % 10));
    p[3] = static_cast<std::uint8_t>((day % 10) << 4 | 0x0F);
}

void Put(std::vector<std::uint8_t>& u, std::size_t at, std::uint32_t v, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) u[at + n - 1 - k] = static_cast<std::uint8_t>(v >> (8 * k));
}
}  // namespace

std::vector<std::uint8_t> IspfUserData(const IspfStatistics& s) {
    const bool extended =
        s.Extended || std::max({s.Lines, s.InitialLines, s.ModifiedLines}) > 0xFFFF;
    std::vector<std::uint8_t> u(extended ? 40 : 30, 0);
    u[0] = static_cast<std::uint8_t>(std::clamp(s.Version, 0, 99));
    u[1] = static_cast<std::uint8_t>(std::clamp(s.Modification, 0, 99));
    if (extended) u[2] = 0x20;
    const DateTime modified = s.Modified.value_or(DateTime{});
    u[3] = Packed(modified.Second);
    PutDate(u.data() + 4, s.Created.value_or(modified.Date));
    PutDate(u.data() + 8, modified.Date);
    u[12] = Packed(modified.Hour);
    u[13] = Packed(modified.Minute);
    Put(u, 14, std::min<std::uint32_t>(s.Lines, 0xFFFF), 2);
    Put(u, 16, std::min<std::uint32_t>(s.InitialLines, 0xFFFF), 2);
    Put(u, 18, std::min<std::uint32_t>(s.ModifiedLines, 0xFFFF), 2);
    std::string user = s.User.substr(0, 8);
    user.resize(8, ' ');
    const Bytes id = Ebcdic(user);
    std::copy(id.begin(), id.end(), u.begin() + 20);
    if (extended) {
        Put(u, 28, s.Lines, 4);
        Put(u, 32, s.InitialLines, 4);
        Put(u, 36, s.ModifiedLines, 4);
    }
    return u;
}

IspfStatistics NewStatistics(const DateTime& saved, std::uint32_t lines, const std::string& user) {
    IspfStatistics s;
    s.Version = 1;
    s.Modification = 0;
    s.Created = saved.Date;
    s.Modified = saved;
    s.Lines = lines;
    s.InitialLines = lines;
    s.ModifiedLines = 0;
    s.User = user;
    return s;
}

IspfStatistics EditedStatistics(const IspfStatistics& before, const DateTime& saved,
                                std::uint32_t lines, const std::string& user) {
    IspfStatistics s = before;
    s.Modification = std::min(before.Modification + 1, 99);
    s.Modified = saved;
    s.Lines = lines;
    const std::uint32_t changed =
        lines > before.Lines ? lines - before.Lines : before.Lines - lines;
    s.ModifiedLines = std::min<std::uint32_t>(before.ModifiedLines + changed, lines);
    if (!user.empty()) s.User = user;
    s.Extended = false;
    return s;
}

}  // namespace corvane::create
