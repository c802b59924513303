// The member list columns and the directory blocks of a partitioned dataset.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "decode/Decode.h"
#include "decode/S390format.h"

namespace corvane {

namespace {
std::string HexBytes(const std::uint8_t* p, std::size_t n) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string s;
    for (std::size_t k = 0; k < n; ++k) {
        s.push_back(kHex[p[k] >> 4]);
        s.push_back(kHex[p[k] & 0xF]);
    }
    return s;
}

std::string AttributeText(std::uint8_t a) {
    std::string s;
    if (!(a & 0x02)) s += "NX ";
    if (a & 0x04) s += "SC ";
    if (a & 0x08) s += "OL ";
    if (a & 0x10) s += "TS ";
    if (a & 0x20) s += "OV ";
    if (a & 0x40) s += "RU ";
    if (a & 0x80) s += "RN ";
    return s;
}

std::string EbcdicText(const std::uint8_t* p, std::size_t n) {
    return Latin1ToUtf8(EbcdicString(p, n));
}
}  // namespace

void TXmitDecoder::AddMemberColumns() {
    struct Column {
        const char* caption;
        int width;
    };
    static const Column kIspf[] = {{"Member", 80},    {"Alias?", 80},  {"Created", 70},
                                   {"Modified", 105}, {"User ID", 70}, {"Version", 50}};
    static const Column kLoad[] = {{"Member", 80},   {"Alias of", 80},   {"Size", 60},
                                   {"Entry pt", 60}, {"Amode", 50},      {"Rmode", 50},
                                   {"AC", 30},       {"Attributes", 150}};
    if (IspfList) {
        for (const Column& c : kIspf)
            MemberList->AddColumn(c.caption, c.width, ColumnAlign::Center);
    } else {
        for (const Column& c : kLoad) {
            MemberList->AddColumn(
                c.caption, c.width,
                std::string(c.caption) == "Attributes" ? ColumnAlign::Left : ColumnAlign::Center);
        }
    }
}

// A directory block: count field (key length 8, data length 256), the key
// (the last name in the block), the bytes-used count and the entries. The
// entries must fill exactly the bytes used and end with the key's name, or
// with the end-of-directory entry in the block whose key is all X'FF';
// anything else is a damaged directory.
bool TXmitDecoder::ParseDirectoryBlock() {
    const std::uint8_t* b = RecordBuffer;
    static const std::uint8_t kEnd[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    if (b[9] != 8 || BigEndianField(b, 10, 2) != 256) {
        return Fail("Directory block with a count field of key length " + std::to_string(b[9]) +
                    " and data length " + std::to_string(BigEndianField(b, 10, 2)) +
                    " encountered");
    }
    const std::size_t used = BigEndianField(b, 20, 2);
    if (used < 2 || used > 256) {
        return Fail("Directory block bytes-used count of " + std::to_string(used) + " encountered");
    }
    const std::size_t areaEnd = 20 + used;
    const bool lastBlock = std::equal(b + 12, b + 20, kEnd);
    if (lastBlock) LastDirectoryBlock = true;

    std::size_t offset = 22;
    const std::uint8_t* lastName = nullptr;
    for (;;) {
        if (offset >= areaEnd) {
            if (offset != areaEnd) {
                return Fail("Directory block entries do not fill its bytes-used count");
            }
            if (lastBlock) return Fail("End-of-directory entry missing from the last block");
            break;
        }
        const std::uint8_t* e = b + offset;
        if (offset + 8 > areaEnd) {
            return Fail("Directory block entries do not fill its bytes-used count");
        }
        if (std::equal(e, e + 8, kEnd)) {
            // The end of the directory: the entry may be cut short by the count.
            if (!lastBlock) return Fail("End of the directory in a block not marked as the last");
            return true;
        }
        const std::uint8_t indicator = offset + 12 <= areaEnd ? e[11] : 0;
        const std::size_t n = 2u * (indicator & 0x1F);
        if (offset + 12 + n > areaEnd) {
            return Fail("Directory block entries do not fill its bytes-used count");
        }
        lastName = e;
        const std::uint32_t ttr = BigEndianField(e, 8, 3);
        const std::uint8_t* u = e + 12;
        const bool alias = (indicator & 0x80) != 0;

        MemberRow row;
        row.Caption = EbcdicText(e, 8);
        row.Ttr.Set(ttr);
        row.Alias = alias;
        if (alias) {
            if (IspfList) row.SubItems.push_back("Alias");
        } else {
            MemberPositions->emplace(ttr, 0);
            if (IspfList) row.SubItems.push_back(" ");
        }
        if (IspfList && n >= 30) {
            char date[kDateTextSize];
            row.SubItems.push_back(FormatIspfDate(u, date, 4, DateOrder, false) == 0 ? date : " ");
            row.SubItems.push_back(FormatIspfDate(u, date, 8, DateOrder, true) == 0 ? date : " ");
            row.SubItems.push_back(EbcdicText(u + 20, n >= 28 ? 8 : n - 20));
            row.SubItems.push_back(std::to_string(u[0]) + "-" + std::to_string(u[1]));
        } else if (!IspfList && n >= 24) {
            if (alias) {
                row.SubItems.push_back(n >= 32 ? EbcdicText(u + 24, 8)
                                               : EbcdicText(u + 24, n - 24));
            } else {
                row.SubItems.push_back(" ");
            }
            row.SubItems.push_back(HexBytes(u + 10, 3));
            row.SubItems.push_back(HexBytes(u + 15, 3));
            const std::uint8_t amode = u[19] & 0x03;
            row.SubItems.push_back(amode <= 1 ? "24" : amode == 2 ? "31" : "ANY");
            row.SubItems.push_back((u[19] & 0x10) ? "ANY" : "24");
            row.SubItems.push_back(std::to_string(u[22] & 0x01));
            row.SubItems.push_back(AttributeText(u[8]));
        }
        MemberList->AddRow(std::move(row));
        offset += 12 + n;
        ++MemberCount;
    }
    if (lastName == nullptr || std::memcmp(lastName, b + 12, 8) != 0) {
        return Fail("Directory block key does not match its last entry");
    }
    return true;
}

}  // namespace corvane
