#include "UnloadWriter.h"

#include <algorithm>

namespace corvane::testing {

std::vector<Bytes> DataRecords(const Bytes& xmit) {
    std::vector<Bytes> records;
    Bytes record;
    bool dataStarted = false;
    for (std::size_t at = 0; at + 2 <= xmit.size() && xmit[at] >= 2;) {
        const std::size_t n = xmit[at];
        const std::uint8_t flags = xmit[at + 1];
        if (flags & 0x80) record.clear();
        record.insert(record.end(), xmit.begin() + at + 2, xmit.begin() + at + n);
        if (flags & 0x40) {
            const bool control = flags & 0x20;
            if (control && record.size() >= 6 && record[5] == 0xF3) dataStarted = true;  // INMR03
            if (control && record.size() >= 6 && record[5] == 0xF6) break;               // INMR06
            if (!control && dataStarted) records.push_back(record);
        }
        at += n;
    }
    return records;
}

namespace {
void PutHalfword(Bytes& out, std::size_t value, std::uint8_t code = 0) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(code);
    out.push_back(0);
}

}  // namespace

Bytes WithRecordDescriptors(const std::vector<Bytes>& records) {
    Bytes out;
    for (const Bytes& r : records) {
        PutHalfword(out, r.size() + 4);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

Bytes InSpannedBlocks(const std::vector<Bytes>& records, std::size_t blksize) {
    Bytes out;
    Bytes block;
    auto flush = [&] {
        if (block.empty()) return;
        PutHalfword(out, block.size() + 4);
        out.insert(out.end(), block.begin(), block.end());
        block.clear();
    };
    for (const Bytes& r : records) {
        std::size_t done = 0;
        bool first = true;
        while (first || done < r.size()) {
            if (blksize - 4 - block.size() < 5) flush();
            const std::size_t room = blksize - 4 - block.size() - 4;
            const std::size_t k = std::min(room, r.size() - done);
            const bool last = done + k == r.size();
            const std::uint8_t code = first ? (last ? 0 : 1) : (last ? 2 : 3);
            PutHalfword(block, k + 4, code);
            block.insert(block.end(), r.begin() + done, r.begin() + done + k);
            done += k;
            first = false;
        }
    }
    flush();
    return out;
}

}  // namespace corvane::testing
