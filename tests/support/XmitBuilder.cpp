#include "XmitBuilder.h"

#include <algorithm>
#include <stdexcept>

#include "create/NetdataOut.h"
#include "io/Platform.h"

namespace corvane::testing {

Bytes ToEbcdic(const std::string& text) {
    return create::Ebcdic(text);
}

Bytes Cards(std::size_t records, char c) {
    std::string s;
    for (std::size_t r = 0; r < records; ++r) {
        std::string line = std::string(1, c) + std::to_string(r);
        line.resize(80, ' ');
        s += line;
    }
    return ToEbcdic(s);
}

Bytes BigEndian(std::uint64_t value, std::size_t size) {
    Bytes out(size);
    for (std::size_t k = 0; k < size; ++k)
        out[size - 1 - k] = static_cast<std::uint8_t>(value >> (8 * k));
    return out;
}

TextUnit TextUnit::Text(std::uint16_t key, const std::string& text) {
    return {key, {ToEbcdic(text)}};
}
TextUnit TextUnit::Number(std::uint16_t key, std::uint64_t value, std::size_t size) {
    return {key, {BigEndian(value, size)}};
}
TextUnit TextUnit::Name(std::uint16_t key, const std::vector<std::string>& qualifiers) {
    TextUnit unit{key, {}};
    for (const auto& q : qualifiers) unit.Items.push_back(ToEbcdic(q));
    return unit;
}
TextUnit TextUnit::Raw(std::uint16_t key, std::vector<Bytes> items) {
    return {key, std::move(items)};
}

FileOut::FileOut(const std::filesystem::path& path) : file_(platform::CreateForWriting(path)) {
    if (!file_) throw std::runtime_error("cannot write " + path.string());
}
FileOut::~FileOut() {
    std::fclose(file_);
}
void FileOut::Put(const std::uint8_t* data, std::size_t n) {
    if (n == 0) return;
    if (std::fwrite(data, 1, n, file_) != n) throw std::runtime_error("write failed");
    size_ += n;
}

void XmitWriter::Segment(std::uint8_t length, std::uint8_t flags, const Bytes& data) {
    std::uint8_t header[2] = {length, flags};
    out_.Put(header, 2);
    out_.Put(data.data(), data.size());
}

namespace {
void CutIntoSegments(ByteOut& out, const Bytes& data, std::uint8_t flags, std::size_t maxSegment) {
    const std::size_t chunk = maxSegment - 2;
    std::size_t pos = 0;
    do {
        std::size_t n = std::min(chunk, data.size() - pos);
        std::uint8_t header[2] = {static_cast<std::uint8_t>(n + 2), flags};
        if (pos == 0) header[1] |= 0x80;
        if (pos + n == data.size()) header[1] |= 0x40;
        out.Put(header, 2);
        out.Put(data.data() + pos, n);
        pos += n;
    } while (pos < data.size());
}
}  // namespace

void XmitWriter::Control(int number, const std::vector<TextUnit>& units, std::uint32_t fileNumber) {
    Bytes record = ToEbcdic("INMR0" + std::to_string(number));
    if (number == 2) {
        Bytes n = BigEndian(fileNumber, 4);
        record.insert(record.end(), n.begin(), n.end());
    }
    for (const TextUnit& unit : units) {
        Bytes key = BigEndian(unit.Key, 2);
        Bytes count = BigEndian(unit.Items.size(), 2);
        record.insert(record.end(), key.begin(), key.end());
        record.insert(record.end(), count.begin(), count.end());
        for (const Bytes& item : unit.Items) {
            Bytes length = BigEndian(item.size(), 2);
            record.insert(record.end(), length.begin(), length.end());
            record.insert(record.end(), item.begin(), item.end());
        }
    }
    CutIntoSegments(out_, record, 0x20, MaxControlSegment);
}

void XmitWriter::Record(const Bytes& data, std::uint8_t extraFlags, std::size_t maxSegment) {
    CutIntoSegments(out_, data, extraFlags, maxSegment);
}

void XmitWriter::PadToCard() {
    std::uint64_t rest = out_.Size() % 80;
    if (rest != 0) {
        Bytes pad(80 - rest, 0x40);
        out_.Put(pad.data(), pad.size());
    }
}

std::vector<TextUnit> HeaderUnits(int files) {
    return {TextUnit::Text(0x1011, "NODEA"),
            TextUnit::Text(0x1012, "USERA"),
            TextUnit::Text(0x1001, "NODEB"),
            TextUnit::Text(0x1002, "USERB"),
            TextUnit::Text(0x1024, "20030704132005"),
            TextUnit::Number(0x0042, 80, 2),
            TextUnit::Number(0x102F, static_cast<std::uint64_t>(files), 1)};
}

namespace {
void WriteMessage(XmitWriter& w, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::string card = line;
        card.resize(80, ' ');
        w.Record(ToEbcdic(card));
    }
}

std::vector<TextUnit> MessageUnits() {
    return {TextUnit::Text(0x1028, "INMCOPY"), TextUnit::Number(0x003C, 0x4000, 2),
            TextUnit::Number(0x0042, 251, 2), TextUnit::Number(0x0049, 0x5002, 2),
            TextUnit{0x0028, {}}};
}

// INMR01 and, for a transmission with a message, the message's INMR02;
// returns the file number of the dataset.
std::uint32_t StartTransmission(XmitWriter& w, const std::vector<std::string>& messageLines) {
    const bool message = !messageLines.empty();
    w.Control(1, HeaderUnits(message ? 2 : 1));
    if (!message) return 1;
    w.Control(2, MessageUnits(), 1);
    return 2;
}

std::vector<TextUnit> DatasetUnits(const char* utility, std::uint16_t dsorg, std::uint32_t lrecl,
                                   std::uint32_t blksize, std::uint16_t recfm,
                                   const std::vector<std::string>& qualifiers) {
    std::vector<TextUnit> units = {
        TextUnit::Text(0x1028, utility),    TextUnit::Number(0x003C, dsorg, 2),
        TextUnit::Number(0x0042, lrecl, 2), TextUnit::Number(0x0030, blksize, 4),
        TextUnit::Number(0x0049, recfm, 2), TextUnit::Number(0x102C, 0, 4)};
    if (!qualifiers.empty()) units.push_back(TextUnit::Name(0x0002, qualifiers));
    return units;
}

std::vector<TextUnit> Inmr03Units() {
    return {TextUnit::Number(0x102C, 0, 4), TextUnit::Number(0x003C, 0x4000, 2),
            TextUnit::Number(0x0042, 80, 2), TextUnit::Number(0x0049, 0x0001, 2)};
}
}  // namespace

Bytes BuildSequential(const SequentialSpec& plan) {
    MemoryOut out;
    XmitWriter w(out);
    const bool message = !plan.MessageLines.empty();
    const std::uint32_t file = StartTransmission(w, plan.MessageLines);
    w.Control(
        2, DatasetUnits("INMCOPY", 0x4000, plan.Lrecl, plan.Blksize, plan.Recfm, plan.Qualifiers),
        file);
    if (message) {
        w.Control(3, Inmr03Units());
        WriteMessage(w, plan.MessageLines);
    }
    w.Control(3, Inmr03Units());
    for (const Bytes& record : plan.Records) w.Record(record);
    w.Control(6, {});
    w.PadToCard();
    return out.Data;
}

namespace {
struct Layout {
    const PdsSpec& plan;
    // Cylinder and head of a relative track through the extents.
    std::pair<std::uint16_t, std::uint16_t> Address(std::uint32_t relative) const {
        std::uint32_t before = 0;
        const auto tpc = static_cast<std::uint32_t>(plan.TracksPerCylinder);
        for (const auto& e : plan.Extents) {
            std::uint32_t first = e.StartCyl * tpc + e.StartHead;
            std::uint32_t last = e.EndCyl * tpc + e.EndHead;
            if (relative < before + (last - first + 1)) {
                std::uint32_t abs = first + (relative - before);
                return {static_cast<std::uint16_t>(abs / tpc),
                        static_cast<std::uint16_t>(abs % tpc)};
            }
            before += last - first + 1;
        }
        throw std::runtime_error("member data does not fit the extents");
    }
};

Bytes CountField(std::uint16_t cyl, std::uint16_t head, std::uint8_t record, std::uint16_t length,
                 std::uint8_t flag = 0, std::uint8_t keyLength = 0) {
    Bytes c = {flag, 0, 0, 0};
    c.push_back(static_cast<std::uint8_t>(cyl >> 8));
    c.push_back(static_cast<std::uint8_t>(cyl));
    c.push_back(static_cast<std::uint8_t>(head >> 8));
    c.push_back(static_cast<std::uint8_t>(head));
    c.push_back(record);
    c.push_back(keyLength);
    c.push_back(static_cast<std::uint8_t>(length >> 8));
    c.push_back(static_cast<std::uint8_t>(length));
    return c;
}

Bytes Copyr1(const PdsSpec& plan) {
    Bytes r(56, 0);
    r[0] = plan.Copyr1Flags;
    r[1] = 0xCA;
    r[2] = 0x6D;
    r[3] = 0x0F;
    r[4] = 0x02;
    r[6] = static_cast<std::uint8_t>(plan.Blksize >> 8);
    r[7] = static_cast<std::uint8_t>(plan.Blksize);
    r[8] = static_cast<std::uint8_t>(plan.Lrecl >> 8);
    r[9] = static_cast<std::uint8_t>(plan.Lrecl);
    r[10] = static_cast<std::uint8_t>(plan.Recfm >> 8);
    r[16] = 0x30;
    r[17] = 0x50;
    r[18] = 0x20;
    r[19] = 0x0F;
    r[26] = static_cast<std::uint8_t>(plan.TracksPerCylinder >> 8);
    r[27] = static_cast<std::uint8_t>(plan.TracksPerCylinder);
    r[37] = 2;
    return r;
}

Bytes Copyr2(const PdsSpec& plan) {
    Bytes r(276, 0);
    r[0] = plan.ExtentCountOverride ? plan.ExtentCountOverride
                                    : static_cast<std::uint8_t>(plan.Extents.size());
    for (std::size_t i = 0; i < plan.Extents.size() && i < 16; ++i) {
        const auto& e = plan.Extents[i];
        std::uint8_t* p = r.data() + 16 + 16 * i;
        auto put = [](std::uint8_t* at, std::uint16_t v) {
            at[0] = static_cast<std::uint8_t>(v >> 8);
            at[1] = static_cast<std::uint8_t>(v);
        };
        put(p + 6, e.StartCyl);
        put(p + 8, e.StartHead);
        put(p + 10, e.EndCyl);
        put(p + 12, e.EndHead);
        const auto tpc = static_cast<std::uint32_t>(plan.TracksPerCylinder);
        put(p + 14, static_cast<std::uint16_t>((e.EndCyl * tpc + e.EndHead) -
                                               (e.StartCyl * tpc + e.StartHead) + 1));
    }
    return r;
}

Bytes Name8(const std::string& name) {
    std::string n = name;
    n.resize(8, ' ');
    return ToEbcdic(n);
}

std::vector<Bytes> DirectoryBlocks(const PdsSpec& plan, const std::vector<std::uint32_t>& ttrs) {
    std::vector<Bytes> entries;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < plan.Members.size(); ++i) {
        const PdsMember& m = plan.Members[i];
        Bytes e = Name8(m.Name);
        Bytes t = BigEndian(ttrs[i], 3);
        e.insert(e.end(), t.begin(), t.end());
        e.push_back(static_cast<std::uint8_t>((m.Alias ? 0x80 : 0) | (m.UserData.size() / 2)));
        e.insert(e.end(), m.UserData.begin(), m.UserData.end());
        entries.push_back(e);
        names.push_back(m.Name);
    }
    Bytes end(8, 0xFF);
    end.insert(end.end(), {0, 0, 0, 0});
    entries.push_back(end);
    names.push_back("");

    std::vector<Bytes> blocks;
    std::size_t i = 0;
    while (i < entries.size()) {
        Bytes area = {0, 0};
        std::string lastName;
        bool hasEnd = false;
        while (i < entries.size() && area.size() + entries[i].size() <= 256) {
            area.insert(area.end(), entries[i].begin(), entries[i].end());
            if (i + 1 == entries.size()) hasEnd = true;
            lastName = names[i];
            ++i;
        }
        area[0] = static_cast<std::uint8_t>(area.size() >> 8);
        area[1] = static_cast<std::uint8_t>(area.size());
        area.resize(256, 0);
        Bytes block = CountField(0, 0, 0, 256, 0, 8);
        Bytes key = hasEnd ? Bytes(8, 0xFF) : Name8(lastName);
        block.insert(block.end(), key.begin(), key.end());
        block.insert(block.end(), area.begin(), area.end());
        blocks.push_back(block);
    }
    return blocks;
}
}  // namespace

std::vector<std::uint32_t> BuildPds(const PdsSpec& plan, ByteOut& out) {
    XmitWriter w(out);
    const bool message = !plan.MessageLines.empty();
    const std::uint32_t file = StartTransmission(w, plan.MessageLines);
    std::vector<TextUnit> units =
        DatasetUnits("IEBCOPY", 0x0200, plan.Lrecl, plan.Blksize, plan.Recfm, plan.Qualifiers);
    units.push_back(TextUnit::Number(0x000C, 10, 4));
    w.Control(2, units, file);
    w.Control(2,
              {TextUnit::Text(0x1028, "INMCOPY"), TextUnit::Number(0x003C, 0x4000, 2),
               TextUnit::Number(0x0042, 32756, 2), TextUnit::Number(0x0030, 3120, 4),
               TextUnit::Number(0x0049, 0x4802, 2)},
              file);
    if (message) {
        w.Control(3, Inmr03Units());
        WriteMessage(w, plan.MessageLines);
    }
    w.Control(3, Inmr03Units());
    w.Record(Copyr1(plan), 0, plan.MaxSegment);
    w.Record(Copyr2(plan), 0, plan.MaxSegment);

    // Place every member's blocks: each member starts on a fresh track.
    const Layout layout{plan};
    std::vector<std::uint32_t> ttrs(plan.Members.size(), 0);
    std::vector<std::uint32_t> firstTrack(plan.Members.size(), 0);
    std::uint32_t track = 0;
    std::vector<std::size_t> blockCounts(plan.Members.size(), 0);
    Bytes scratch;
    for (std::size_t i = 0; i < plan.Members.size(); ++i) {
        if (plan.Members[i].Alias) continue;
        const Bytes* data = &plan.Members[i].Data;
        if (data->empty() && plan.Generate) {
            scratch.clear();
            plan.Generate(i, scratch);
            data = &scratch;
        }
        const std::vector<std::size_t>* sizes =
            i < plan.BlockSizes.size() && !plan.BlockSizes[i].empty() ? &plan.BlockSizes[i]
                                                                      : nullptr;
        std::size_t blocks = sizes ? sizes->size() + 1  // + EOF
                                   : (data->size() + plan.Blksize - 1) / plan.Blksize + 1;
        firstTrack[i] = track;
        ttrs[i] = track << 8 | 1;
        blockCounts[i] = blocks;
        track +=
            static_cast<std::uint32_t>((blocks + plan.BlocksPerTrack - 1) / plan.BlocksPerTrack);
    }
    for (std::size_t i = 0; i < plan.Members.size(); ++i) {
        const PdsMember& m = plan.Members[i];
        if (!m.Alias) continue;
        for (std::size_t j = 0; j < plan.Members.size(); ++j) {
            if (!plan.Members[j].Alias && plan.Members[j].Name == m.AliasOf) ttrs[i] = ttrs[j];
        }
    }

    std::vector<Bytes> dir = DirectoryBlocks(plan, ttrs);
    for (const Bytes& record : plan.RawDirectoryRecords) w.Record(record, 0, plan.MaxSegment);
    if (!plan.RawDirectoryRecords.empty()) dir.clear();
    for (std::size_t b = 0; b < dir.size(); b += plan.DirectoryBlocksPerRecord) {
        Bytes record;
        for (std::size_t k = b; k < dir.size() && k < b + plan.DirectoryBlocksPerRecord; ++k) {
            record.insert(record.end(), dir[k].begin(), dir[k].end());
        }
        if (b + plan.DirectoryBlocksPerRecord >= dir.size() && plan.DirectoryEndMarker) {
            record.insert(record.end(), 12, 0);
        }
        w.Record(record, 0, plan.MaxSegment);
    }
    if (!plan.RecordBeforeMembers.empty()) w.Record(plan.RecordBeforeMembers, 0, plan.MaxSegment);

    for (std::size_t i = 0; i < plan.Members.size(); ++i) {
        const PdsMember& m = plan.Members[i];
        if (m.Alias) continue;
        const Bytes* data = &m.Data;
        if (data->empty() && plan.Generate) {
            scratch.clear();
            plan.Generate(i, scratch);
            data = &scratch;
        }
        std::vector<Bytes> blocks;
        std::size_t pos = 0;
        std::size_t n = 0;
        auto address = [&](std::size_t index) {
            auto [cyl, head] = layout.Address(
                firstTrack[i] + static_cast<std::uint32_t>(index / plan.BlocksPerTrack));
            return std::make_tuple(cyl, head,
                                   static_cast<std::uint8_t>(index % plan.BlocksPerTrack + 1));
        };
        while (pos < data->size()) {
            const bool sized = i < plan.BlockSizes.size() && !plan.BlockSizes[i].empty();
            std::size_t len = std::min<std::size_t>(sized ? plan.BlockSizes[i].at(n) : plan.Blksize,
                                                    data->size() - pos);
            auto [cyl, head, rec] = address(n++);
            Bytes block = CountField(cyl, head, rec, static_cast<std::uint16_t>(len));
            block.insert(block.end(), data->begin() + static_cast<std::ptrdiff_t>(pos),
                         data->begin() + static_cast<std::ptrdiff_t>(pos + len));
            blocks.push_back(std::move(block));
            pos += len;
        }
        auto [cyl, head, rec] = address(n);
        Bytes eof = CountField(cyl, head, rec, 0);
        Bytes record;
        std::size_t inRecord = 0;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            record.insert(record.end(), blocks[b].begin(), blocks[b].end());
            if (++inRecord == plan.BlocksPerRecord &&
                !(b + 1 == blocks.size() && plan.EofInLastRecord)) {
                w.Record(record, 0, plan.MaxSegment);
                record.clear();
                inRecord = 0;
            }
        }
        if (plan.EofInLastRecord) {
            record.insert(record.end(), eof.begin(), eof.end());
            w.Record(record, 0, plan.MaxSegment);
        } else {
            if (!record.empty()) w.Record(record, 0, plan.MaxSegment);
            w.Record(eof, 0, plan.MaxSegment);
        }
    }
    w.Control(6, {});
    w.PadToCard();
    return ttrs;
}

Bytes BuildPds(const PdsSpec& plan) {
    MemoryOut out;
    BuildPds(plan, out);
    return out.Data;
}

Bytes IspfStats(std::uint8_t version, std::uint8_t level, std::uint8_t century, std::uint8_t year,
                std::uint16_t day, std::uint8_t hour, std::uint8_t minute,
                const std::string& user) {
    auto packed = [](unsigned v) { return static_cast<std::uint8_t>((v / 10) << 4 | (v % 10)); };
    Bytes u(30, 0);
    u[0] = version;
    u[1] = level;
    for (int k : {4, 8}) {
        u[static_cast<std::size_t>(k)] = century;
        u[static_cast<std::size_t>(k + 1)] = packed(year);
        u[static_cast<std::size_t>(k + 2)] =
            static_cast<std::uint8_t>((day / 100) << 4 | (day / 10 % 10));
        u[static_cast<std::size_t>(k + 3)] = static_cast<std::uint8_t>((day % 10) << 4 | 0x0F);
    }
    u[12] = packed(hour);
    u[13] = packed(minute);
    std::string name = user;
    name.resize(8, ' ');
    Bytes id = ToEbcdic(name);
    std::copy(id.begin(), id.end(), u.begin() + 20);
    return u;
}

Bytes LoadModuleData(std::uint8_t attributes, std::uint32_t size, std::uint32_t entry,
                     std::uint8_t modes, std::uint8_t ac, const std::string& aliasOf) {
    Bytes u(aliasOf.empty() ? 24 : 32, 0);
    u[8] = attributes;
    Bytes s = BigEndian(size, 3);
    std::copy(s.begin(), s.end(), u.begin() + 10);
    Bytes e = BigEndian(entry, 3);
    std::copy(e.begin(), e.end(), u.begin() + 15);
    u[19] = modes;
    u[22] = ac;
    if (!aliasOf.empty()) {
        Bytes n = Name8(aliasOf);
        std::copy(n.begin(), n.end(), u.begin() + 24);
    }
    return u;
}

VariableData VariableBlocks(const std::vector<Bytes>& records, std::size_t blksize, bool spanned) {
    VariableData m;
    Bytes block;
    auto closeBlock = [&] {
        if (block.empty()) return;
        Bytes bdw = BigEndian(block.size() + 4, 2);
        bdw.insert(bdw.end(), {0, 0});
        m.Data.insert(m.Data.end(), bdw.begin(), bdw.end());
        m.Data.insert(m.Data.end(), block.begin(), block.end());
        m.BlockSizes.push_back(block.size() + 4);
        block.clear();
    };
    auto put = [&](const std::uint8_t* p, std::size_t n, std::uint8_t code) {
        Bytes rdw = BigEndian(n + 4, 2);
        rdw.insert(rdw.end(), {code, 0});
        block.insert(block.end(), rdw.begin(), rdw.end());
        block.insert(block.end(), p, p + n);
    };
    for (const Bytes& r : records) {
        if (!spanned) {
            if (4 + block.size() + 4 + r.size() > blksize) closeBlock();
            put(r.data(), r.size(), 0);
            continue;
        }
        std::size_t pos = 0;
        bool firstPiece = true;
        do {
            if (4 + block.size() + 4 >= blksize) closeBlock();
            const std::size_t room = blksize - 4 - block.size() - 4;
            const std::size_t n = std::min(room, r.size() - pos);
            const bool last = pos + n == r.size();
            const std::uint8_t code = firstPiece ? (last ? 0 : 1) : (last ? 2 : 3);
            put(r.data() + pos, n, code);
            pos += n;
            firstPiece = false;
        } while (pos < r.size());
    }
    closeBlock();
    return m;
}

void WriteFile(const std::filesystem::path& path, const Bytes& data) {
    FileOut out(path);
    out.Put(data.data(), data.size());
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::FILE* f = platform::OpenForReading(path, nullptr);
    if (!f) throw std::runtime_error("cannot read " + path.string());
    Bytes data;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    std::fclose(f);
    return data;
}

}  // namespace corvane::testing
