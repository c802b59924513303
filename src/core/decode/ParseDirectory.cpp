// The directory of a partitioned dataset: 276-byte blocks (count field, key,
// 256-byte data area) carried by the data records after COPYR2.
#include <algorithm>

#include "decode/ParseRun.h"
#include "decode/S390format.h"

namespace corvane::parse {

namespace {
constexpr std::uint8_t kEndName[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Digits of the nibbles; a nibble above 9 counts as its value, as the
// arithmetic of the packed fields does.
std::uint32_t Nibbles(const std::uint8_t* p, std::size_t first, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t k = first; k < first + count; ++k) {
        const std::uint8_t b = p[k / 2];
        value = value * 10 + ((k % 2 == 0) ? b >> 4 : b & 0x0F);
    }
    return value;
}

// A nibble as a printed digit: above 9 prints as 0.
int Digit(std::uint8_t nibble) {
    return nibble > 9 ? 0 : nibble;
}

// Century byte, packed year, packed day of year and sign.
std::optional<CalendarDate> IspfDate(const std::uint8_t* p) {
    const std::uint32_t yearInCentury = Nibbles(p + 1, 0, 2);
    if (yearInCentury > 99 || p[0] >= 3) return std::nullopt;
    const int year = 1900 + 100 * p[0] + static_cast<int>(yearInCentury);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static const int kBefore[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
    static const int kBeforeLeap[13] = {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366};
    const int* table = leap ? kBeforeLeap : kBefore;
    const auto day = static_cast<int>(Nibbles(p + 2, 0, 3));
    if (day == 0 || day > table[12]) return std::nullopt;
    int month = 0;
    while (table[month] < day) ++month;
    return CalendarDate{year, month, day - table[month - 1]};
}

IspfStatistics ReadIspf(const std::uint8_t* u, std::size_t n, const CodePage& characters) {
    IspfStatistics s;
    s.Version = u[0];
    s.Modification = u[1];
    s.Created = IspfDate(u + 4);
    if (auto date = IspfDate(u + 8)) {
        DateTime t;
        t.Date = *date;
        t.Hour = Digit(u[12] >> 4) * 10 + Digit(u[12] & 0x0F);
        t.Minute = Digit(u[13] >> 4) * 10 + Digit(u[13] & 0x0F);
        t.Second = Digit(u[3] >> 4) * 10 + Digit(u[3] & 0x0F);
        s.Modified = t;
    }
    s.Lines = BigEndianField(u, 14, 2);
    s.InitialLines = BigEndianField(u, 16, 2);
    s.ModifiedLines = BigEndianField(u, 18, 2);
    s.User = characters.Utf8(u + 20, 8);
    if ((u[2] & 0x20) && n >= 40) {
        s.Extended = true;
        s.Lines = BigEndianField(u, 28, 4);
        s.InitialLines = BigEndianField(u, 32, 4);
        s.ModifiedLines = BigEndianField(u, 36, 4);
    }
    return s;
}

LoadModuleAttributes ReadLoadModule(const std::uint8_t* u) {
    LoadModuleAttributes a;
    a.AttributeFlags = u[8];
    a.Size = BigEndianField(u, 10, 3);
    a.EntryPoint = BigEndianField(u, 15, 3);
    a.ModeFlags = u[19];
    a.AuthorizationCode = u[22] & 0x01;
    return a;
}
}  // namespace

void ParseRun::ReadDirectory() {
    std::vector<std::uint8_t> pending;
    bool last = false;
    while (!last) {
        const std::int64_t at = in_.Position();
        if (at >= in_.Size()) {
            throw ReadError("Unexpected end of file at offset " + std::to_string(at) +
                            ": the member directory has no end");
        }
        PeekSegment();
        if (SegmentFlags & kControlRecord) Fail("The member directory has no end");
        ReadDataRecord();
        pending.insert(pending.end(), record_.begin(), record_.end());
        std::size_t used = 0;
        while (!last && pending.size() - used >= kDirectoryBlockSize) {
            const std::uint8_t* block = pending.data() + used;
            Dump(block, 30, "Directory Block Record Length: 276 (first 30 bytes)",
                 at + 2 + static_cast<std::int64_t>(used));
            ParseDirectoryBlock(block, last);
            used += kDirectoryBlockSize;
        }
        // What follows the end of the directory in its record is dropped.
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
    }
}

void ParseRun::ParseDirectoryBlock(const std::uint8_t* b, bool& last) {
    // Count field: key length 8, data length 256.
    if (b[9] != 8 || BigEndianField(b, 10, 2) != 256) {
        Fail("Directory block with a wrong count field");
    }
    const std::size_t used = BigEndianField(b, 20, 2);
    if (used < 2 || used > 256) Fail("Directory block with a wrong used-bytes count");
    if (std::equal(b + 12, b + 20, kEndName)) last = true;

    const std::size_t end = 20 + used;
    std::size_t offset = 22;
    while (offset < end) {
        const std::uint8_t* e = b + offset;
        // The end marker counts as a name alone in some directories.
        if (offset + 8 <= end && std::equal(e, e + 8, kEndName)) return;
        if (offset + 12 > end) Fail("Directory entry cut by the end of its block");
        const std::uint8_t indicator = e[11];
        const std::size_t n = 2u * (indicator & 0x1F);
        if (offset + 12 + n > end) Fail("Directory entry runs past the end of its block");
        const std::uint8_t* u = e + 12;

        MemberEntry m;
        m.Name = Text(e, 8);
        m.Ttr = BigEndianField(e, 8, 3);
        m.Alias = (indicator & 0x80) != 0;
        m.NameBytes.assign(reinterpret_cast<const char*>(e), 8);
        m.Indicator = indicator;
        m.UserData.assign(reinterpret_cast<const char*>(u), n);
        if (Info.Dataset.IspfDirectory) {
            if (n >= 30) m.Ispf = ReadIspf(u, n, characters_);
        } else if (n >= 24) {
            m.LoadModule = ReadLoadModule(u);
            if (m.Alias) m.AliasOf = Text(u + 24, n >= 32 ? 8 : n - 24);
        }
        Info.Members.push_back(std::move(m));
        offset += 12 + n;
    }
}

}  // namespace corvane::parse
