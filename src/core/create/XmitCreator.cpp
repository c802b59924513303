#include "create/XmitCreator.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <numeric>
#include <set>
#include <unordered_map>

#include "create/Dasd3390.h"
#include "io/AtomicWriter.h"
#include "io/BackgroundWriter.h"

namespace corvane::create {

namespace {

constexpr std::uint32_t kTransportLrecl = 32756;
constexpr std::uint32_t kTransportBlksize = 3120;
// A logical record of the unload holds blocks up to this many bytes.
constexpr std::size_t kUnloadRecord = kTransportLrecl - 4;
constexpr std::uint32_t kLargestPdsBlock = kUnloadRecord - 12;
constexpr std::size_t kDirectoryBlockRoom = 256;
// Extents of whole cylinders that a 2-byte track count holds.
constexpr std::uint32_t kExtentTracks = 65535 / kTracksPerCylinder * kTracksPerCylinder;
constexpr std::uint32_t kFirstTrack = kTracksPerCylinder;  // the dataset starts on cylinder 1
constexpr std::size_t kMaxExtents = 16;
// The most tracks the extents hold below cylinder 65,536.
constexpr std::uint32_t kMaxTracks =
    std::min<std::uint32_t>(kExtentTracks * kMaxExtents, 65536 * kTracksPerCylinder - kFirstTrack);

Error UsageError(const std::string& text) {
    return Error::Plain(Error::Kind::Usage, text);
}

Error IoError(const std::string& text) {
    return Error::Plain(Error::Kind::Io, text);
}

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

std::uint16_t RecfmField(const WriteFormat& f) {
    return static_cast<std::uint16_t>(f.RecfmByte() << 8);
}

std::uint32_t BlockSize(const WriteFormat& f) {
    return f.Blksize != 0 ? f.Blksize : SystemBlockSize(f);
}

// The 8 EBCDIC bytes of a member's name.
Bytes NameField(const MemberPlan& m) {
    if (m.NameBytes.size() == 8) return m.NameBytes;
    std::string name = m.Name;
    name.resize(8, ' ');
    return Ebcdic(name);
}

std::size_t EntrySize(const MemberPlan& m) {
    return 12 + m.UserData.size();
}

// Directory blocks the entries fill, the end entry in the last.
std::uint32_t BlocksNeeded(const std::vector<const MemberPlan*>& order) {
    std::uint32_t blocks = 1;
    std::size_t used = 2;
    for (const MemberPlan* m : order) {
        if (used + EntrySize(*m) > kDirectoryBlockRoom) {
            ++blocks;
            used = 2;
        }
        used += EntrySize(*m);
    }
    if (used + 12 > kDirectoryBlockRoom) ++blocks;
    return blocks;
}

std::vector<const MemberPlan*> EbcdicOrder(const LibraryPlan& plan) {
    std::vector<std::pair<std::string, const MemberPlan*>> keyed;
    keyed.reserve(plan.Members.size());
    for (const MemberPlan& m : plan.Members) {
        const Bytes name = NameField(m);
        keyed.emplace_back(std::string(name.begin(), name.end()), &m);
    }
    // Byte order of the EBCDIC names: letters before digits.
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const MemberPlan*> order;
    order.reserve(keyed.size());
    for (const auto& k : keyed) order.push_back(k.second);
    return order;
}

// The members with data, by name, for the aliases to find theirs.
using Owners = std::unordered_map<std::string, const MemberPlan*>;

Owners RealMembers(const LibraryPlan& plan) {
    Owners owners;
    for (const MemberPlan& m : plan.Members) {
        if (!m.Alias && m.Data) owners.emplace(m.Name, &m);
    }
    return owners;
}

const MemberPlan* RealMember(const Owners& owners, const MemberPlan& alias) {
    const auto it = owners.find(alias.AliasOf);
    return it == owners.end() ? nullptr : it->second;
}

// Where every block of the library goes on the disk.
struct Placement {
    std::uint32_t DirectoryBlocks = 0;
    std::uint32_t Tracks = 0;
    std::uint64_t DataBytes = 0;
    std::map<const MemberPlan*, std::vector<std::uint32_t>> Lengths;
    std::map<const MemberPlan*, std::vector<std::uint32_t>> Addresses;  // blocks, then the EOF
    std::map<const MemberPlan*, std::uint32_t> Ttr;
    Owners Real;
};

std::uint32_t DirectoryAllocation(const LibraryPlan& plan, std::uint32_t needed) {
    if (plan.DirectoryBlocks != 0) return plan.DirectoryBlocks;
    const std::uint32_t perTrack = kTrackCells / BlockCells(8, 256);
    return (needed + perTrack - 1) / perTrack * perTrack;
}

Placement Place(const LibraryPlan& plan, const std::vector<const MemberPlan*>& order) {
    Placement p;
    p.Real = RealMembers(plan);
    TrackPlacer placer;
    p.DirectoryBlocks = DirectoryAllocation(plan, BlocksNeeded(order));
    for (std::uint32_t b = 0; b < p.DirectoryBlocks; ++b) placer.Place(8, 256);
    placer.Place(0, 0);
    const std::uint32_t blksize = BlockSize(plan.Format);
    for (const MemberPlan* m : order) {
        if (m->Alias) continue;
        std::vector<std::uint32_t> lengths = m->Data->Lengths();
        std::vector<std::uint32_t> addresses;
        addresses.reserve(lengths.size() + 1);
        for (std::uint32_t n : lengths) {
            if (n == 0 || n > blksize) {
                throw InputRefused{"Member " + m->Name + " has a block of " + std::to_string(n) +
                                   " bytes, which the block size " + std::to_string(blksize) +
                                   " does not allow"};
            }
            addresses.push_back(placer.Place(0, n));
            p.DataBytes += n + 12;
        }
        addresses.push_back(placer.Place(0, 0));
        p.Ttr[m] = addresses.front();
        p.Lengths[m] = std::move(lengths);
        p.Addresses[m] = std::move(addresses);
    }
    for (const MemberPlan* m : order) {
        if (!m->Alias) continue;
        const MemberPlan* real = RealMember(p.Real, *m);
        p.Ttr[m] = real ? p.Ttr[real] : 0;
    }
    p.Tracks = placer.TracksUsed();
    if (p.Tracks > kMaxTracks) {
        throw InputRefused{"The library needs " + std::to_string(p.Tracks) + " tracks, more than " +
                           std::to_string(kMaxTracks) + " a 3390 dataset can hold"};
    }
    return p;
}

// The absolute cylinder and head of a relative track.
std::pair<std::uint32_t, std::uint32_t> CylinderHead(std::uint32_t track) {
    const std::uint32_t absolute = kFirstTrack + track;
    return {absolute / kTracksPerCylinder, absolute % kTracksPerCylinder};
}

void PutCount(std::uint8_t* c, std::uint32_t ttr, std::uint32_t dataLength) {
    std::memset(c, 0, 12);
    const auto [cyl, head] = CylinderHead(ttr >> 8);
    c[4] = static_cast<std::uint8_t>(cyl >> 8);
    c[5] = static_cast<std::uint8_t>(cyl);
    c[6] = static_cast<std::uint8_t>(head >> 8);
    c[7] = static_cast<std::uint8_t>(head);
    c[8] = static_cast<std::uint8_t>(ttr);
    c[10] = static_cast<std::uint8_t>(dataLength >> 8);
    c[11] = static_cast<std::uint8_t>(dataLength);
}

Bytes Copyr1(const WriteFormat& f) {
    Bytes r(56, 0);
    r[1] = 0xCA;
    r[2] = 0x6D;
    r[3] = 0x0F;
    r[4] = 0x02;
    Put16(r, 6, BlockSize(f));
    Put16(r, 8, f.Kind == 'U' ? 0 : f.Lrecl);
    r[10] = f.RecfmByte();
    Put16(r, 14, kTransportBlksize);
    // The device type of a 3390.
    static const std::uint8_t device[20] = {0x30, 0x30, 0x20, 0x0F, 0x00, 0x00, 0x7F,
                                            0xF8, 0x27, 0x21, 0x00, 0x0F, 0xE5, 0xA2,
                                            0x00, 0x00, 0x22, 0x52, 0x00, 0x00};
    std::memcpy(r.data() + 16, device, sizeof device);
    Put16(r, 36, 2);
    return r;
}

Bytes Copyr2(std::uint32_t tracks) {
    Bytes r(276, 0);
    static const std::uint8_t deb[15] = {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x8F,
                                         0x08, 0x80, 0x00, 0x04, 0x8B, 0x00, 0x60};
    std::memcpy(r.data() + 1, deb, sizeof deb);
    std::size_t count = 0;
    for (std::uint32_t start = 0; start < tracks; start += kExtentTracks, ++count) {
        const std::uint32_t n = std::min(kExtentTracks, tracks - start);
        std::uint8_t* e = r.data() + 16 + 16 * count;
        e[0] = 0x58;
        e[1] = 0xF4;
        e[2] = 0xE8;
        e[3] = 0x58;
        const auto [c0, h0] = CylinderHead(start);
        const auto [c1, h1] = CylinderHead(start + n - 1);
        Put16(r, 16 + 16 * count + 6, c0);
        Put16(r, 16 + 16 * count + 8, h0);
        Put16(r, 16 + 16 * count + 10, c1);
        Put16(r, 16 + 16 * count + 12, h1);
        Put16(r, 16 + 16 * count + 14, n);
    }
    r[0] = static_cast<std::uint8_t>(count);
    return r;
}

// The user data with its addresses moved to where their blocks now are.
Bytes MovedUserData(const MemberPlan& m, const MemberPlan* real, const Placement& p) {
    Bytes u = m.UserData;
    if (!real || m.UserAddresses <= 0) return u;
    const std::vector<std::uint32_t> from = real->Data->SourceAddresses();
    const auto it = p.Addresses.find(real);
    if (from.empty() || it == p.Addresses.end()) return u;
    for (int k = 0; k < m.UserAddresses && 4u * k + 3 <= u.size(); ++k) {
        std::uint8_t* t = u.data() + 4 * k;
        const std::uint32_t ttr = static_cast<std::uint32_t>(t[0]) << 16 | t[1] << 8 | t[2];
        const auto at = std::find(from.begin(), from.end(), ttr);
        if (ttr == 0 || at == from.end()) continue;
        const std::size_t index = static_cast<std::size_t>(at - from.begin());
        if (index >= it->second.size()) continue;
        const std::uint32_t moved = it->second[index];
        t[0] = static_cast<std::uint8_t>(moved >> 16);
        t[1] = static_cast<std::uint8_t>(moved >> 8);
        t[2] = static_cast<std::uint8_t>(moved);
    }
    return u;
}

std::vector<Bytes> DirectoryBlocks(const std::vector<const MemberPlan*>& order,
                                   const Placement& p) {
    std::vector<Bytes> blocks;
    Bytes area;
    Bytes lastName;
    auto close = [&](bool end) {
        Put16(area, 0, static_cast<std::uint32_t>(area.size()));
        area.resize(kDirectoryBlockRoom, 0);
        Bytes block(12, 0);
        block[9] = 8;
        Put16(block, 10, 256);
        const Bytes key = end ? Bytes(8, 0xFF) : lastName;
        block.insert(block.end(), key.begin(), key.end());
        block.insert(block.end(), area.begin(), area.end());
        blocks.push_back(std::move(block));
        area.assign(2, 0);
    };
    area.assign(2, 0);
    for (const MemberPlan* m : order) {
        if (area.size() + EntrySize(*m) > kDirectoryBlockRoom) close(false);
        const Bytes name = NameField(*m);
        const MemberPlan* real = m->Alias ? RealMember(p.Real, *m) : m;
        const Bytes user = MovedUserData(*m, real, p);
        const std::uint32_t ttr = p.Ttr.at(m);
        area.insert(area.end(), name.begin(), name.end());
        area.push_back(static_cast<std::uint8_t>(ttr >> 16));
        area.push_back(static_cast<std::uint8_t>(ttr >> 8));
        area.push_back(static_cast<std::uint8_t>(ttr));
        area.push_back(static_cast<std::uint8_t>(
            (m->Alias ? 0x80 : 0) | (std::clamp(m->UserAddresses, 0, 3) << 5) | (user.size() / 2)));
        area.insert(area.end(), user.begin(), user.end());
        lastName = name;
    }
    if (area.size() + 12 > kDirectoryBlockRoom) close(false);
    area.insert(area.end(), 8, 0xFF);
    area.insert(area.end(), 4, 0x00);
    close(true);
    return blocks;
}

TextUnits HeaderUnits(const TransmissionPlan& t, std::uint32_t files) {
    TextUnits u;
    u.Number(0x0042, 80, 1)
        .Text(0x1011, t.FromNode)
        .Text(0x1012, t.FromUser)
        .Text(0x1001, t.ToNode)
        .Text(0x1002, t.ToUser)
        .Text(0x1024, t.Timestamp)
        .Number(0x102F, files, 1);
    return u;
}

// INMR01, and the message's INMR02 when there is one; the dataset's file
// number.
std::uint32_t StartTransmission(NetdataOut& out, const TransmissionPlan& t) {
    const bool message = !t.Message.empty();
    out.Control(1, HeaderUnits(t, message ? 2 : 1));
    if (!message) return 1;
    TextUnits u;
    u.Text(0x1028, "INMCOPY")
        .Flag(0x0028)
        .Number(0x102C, 80 * t.Message.size(), 4)
        .Number(0x003C, 0x4000, 2)
        .Number(0x0042, 251, 2)
        .Number(0x0030, kTransportBlksize, 4)
        .Number(0x0049, 0x5002, 2);
    out.Control(2, u, 1);
    return 2;
}

TextUnits DataControl(std::uint64_t size, std::uint32_t lrecl) {
    TextUnits u;
    u.Number(0x102C, size, 4)
        .Number(0x003C, 0x4000, 2)
        .Number(0x0042, lrecl, 2)
        .Number(0x0049, 1, 2);
    return u;
}

// The message's INMR03 and records.
void WriteMessage(NetdataOut& out, const TransmissionPlan& t) {
    if (t.Message.empty()) return;
    out.Control(3, DataControl(80 * t.Message.size(), 80));
    for (const auto& line : t.Message) out.Record(line.data(), line.size());
}

std::uint64_t SizeField(std::uint64_t n) {
    return std::min<std::uint64_t>(n, 0xFFFFFFFFu);
}

struct CancelledByUser {};

// Between members: where the write is, and whether to go on.
void Step(Progress* progress, std::int64_t position) {
    if (!progress) return;
    progress->SetPosition(position);
    progress->ProcessEvents();
    if (progress->Cancelled()) throw CancelledByUser{};
}

template <class Write>
Result<CreateSummary> Guarded(Write write) {
    try {
        return write();
    } catch (const CancelledByUser&) {
        CreateSummary s;
        s.Cancelled = true;
        return s;
    } catch (const InputRefused& refused) {
        return UsageError(refused.Text);
    } catch (const WriteRefused&) {
        return IoError("The output file could not be written");
    }
}

}  // namespace

std::uint8_t WriteFormat::RecfmByte() const {
    std::uint8_t b = Kind == 'U' ? 0xC0 : Kind == 'V' ? 0x40 : 0x80;
    if (Blocked && Kind != 'U') b |= 0x10;
    return b;
}

std::vector<std::uint32_t> BlockProducer::Lengths() {
    std::vector<std::uint32_t> lengths;
    Blocks([&](const std::uint8_t*, std::size_t n) {
        lengths.push_back(static_cast<std::uint32_t>(n));
    });
    return lengths;
}

std::uint32_t SystemBlockSize(const WriteFormat& f) {
    if (f.Kind == 'U') return kHalfTrack;
    if (f.Kind == 'V') return f.Blocked ? std::max(kHalfTrack, f.Lrecl + 4) : f.Lrecl + 4;
    if (!f.Blocked || f.Lrecl == 0 || f.Lrecl > kHalfTrack) return f.Lrecl;
    return kHalfTrack / f.Lrecl * f.Lrecl;
}

bool ValidMemberName(const std::string& name) {
    if (name.empty() || name.size() > 8) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool national = c == '@' || c == '#' || c == '$';
        const bool letter = c >= 'A' && c <= 'Z';
        const bool digit = c >= '0' && c <= '9';
        if (!(letter || national || (digit && i > 0))) return false;
    }
    return true;
}

std::vector<std::string> FormatProblems(const WriteFormat& f, bool partitioned) {
    std::vector<std::string> problems;
    const std::uint32_t blksize = BlockSize(f);
    const std::uint32_t largest = partitioned ? kLargestPdsBlock : 32760;
    if (f.Kind != 'F' && f.Kind != 'V' && f.Kind != 'U') {
        problems.push_back("The record format must be F, FB, V, VB or U");
        return problems;
    }
    if (f.Kind != 'U' && (f.Lrecl == 0 || f.Lrecl > 32760)) {
        problems.push_back("The record length must be 1 to 32,760");
    } else if (f.Kind == 'V' && f.Lrecl < 5) {
        problems.push_back("A variable record length must be at least 5");
    }
    if (blksize == 0 || blksize > largest) {
        problems.push_back("The block size must be 1 to " + std::to_string(largest) +
                           (partitioned ? " for a library" : ""));
    } else if (f.Kind == 'F' && f.Lrecl != 0 &&
               (f.Blocked ? blksize % f.Lrecl != 0 : blksize != f.Lrecl)) {
        problems.push_back("The block size " + std::to_string(blksize) +
                           (f.Blocked ? " is not a multiple of the record length "
                                      : " is not the record length ") +
                           std::to_string(f.Lrecl));
    } else if (f.Kind == 'V' && blksize < f.Lrecl + 4) {
        problems.push_back("The block size " + std::to_string(blksize) +
                           " is less than the record length + 4");
    }
    return problems;
}

std::vector<std::string> LibraryProblems(const LibraryPlan& plan) {
    std::vector<std::string> problems = FormatProblems(plan.Format, true);
    const Owners owners = RealMembers(plan);
    std::set<std::string> seen;
    for (const MemberPlan& m : plan.Members) {
        if (m.NameBytes.size() != 8 && !ValidMemberName(m.Name)) {
            problems.push_back("\"" + m.Name + "\" is not a valid member name");
            continue;
        }
        const Bytes name = NameField(m);
        if (!seen.emplace(name.begin(), name.end()).second) {
            problems.push_back("Member " + m.Name + " is there twice");
        }
        if (m.UserData.size() > 62 || m.UserData.size() % 2 != 0) {
            problems.push_back("Member " + m.Name + " has user data of " +
                               std::to_string(m.UserData.size()) +
                               " bytes; a directory entry holds an even number up to 62");
        }
        if (m.Alias && !RealMember(owners, m)) {
            problems.push_back("Alias " + m.Name + " names " +
                               (m.AliasOf.empty() ? std::string("no member") : m.AliasOf) +
                               ", which is not in the library");
        }
        if (!m.Alias && !m.Data) problems.push_back("Member " + m.Name + " has no data");
    }
    const std::vector<const MemberPlan*> order = EbcdicOrder(plan);
    const std::uint32_t needed = BlocksNeeded(order);
    if (plan.DirectoryBlocks != 0 && plan.DirectoryBlocks < needed) {
        problems.push_back("The directory needs " + std::to_string(needed) + " blocks; " +
                           std::to_string(plan.DirectoryBlocks) + " were given");
    }
    return problems;
}

Result<CreateSummary> WriteLibrary(const LibraryPlan& plan, const NetdataOut::Target& target,
                                   Progress* progress) {
    if (const auto problems = LibraryProblems(plan); !problems.empty()) {
        return UsageError(problems.front());
    }
    return Guarded([&]() -> Result<CreateSummary> {
        const std::vector<const MemberPlan*> order = EbcdicOrder(plan);
        const Placement p = Place(plan, order);
        const WriteFormat& f = plan.Format;
        const std::uint32_t blksize = BlockSize(f);
        NetdataOut out(target);
        const std::uint32_t file = StartTransmission(out, plan.Transmission);
        TextUnits iebcopy;
        iebcopy.Text(0x1028, "IEBCOPY")
            .Number(0x102C, SizeField(p.DataBytes), 4)
            .Number(0x003C, 0x0200, 2)
            .Number(0x8012, 0, 1)
            .Number(0x0042, f.Kind == 'U' ? 0 : f.Lrecl, 2)
            .Number(0x0030, blksize, 4)
            .Number(0x0049, RecfmField(f), 2)
            .Number(0x000C, p.DirectoryBlocks, 3);
        if (!plan.DatasetName.empty()) iebcopy.Name(0x0002, plan.DatasetName);
        out.Control(2, iebcopy, file);
        TextUnits inmcopy;
        inmcopy.Text(0x1028, "INMCOPY")
            .Number(0x102C, SizeField(p.DataBytes), 4)
            .Number(0x003C, 0x4000, 2)
            .Number(0x0042, kTransportLrecl, 2)
            .Number(0x0030, kTransportBlksize, 4)
            .Number(0x0049, 0x4802, 2);
        out.Control(2, inmcopy, file);
        WriteMessage(out, plan.Transmission);
        out.Control(3, DataControl(SizeField(p.DataBytes), f.Kind == 'U' ? 0 : f.Lrecl));

        const Bytes r1 = Copyr1(f);
        out.Record(r1.data(), r1.size());
        const Bytes r2 = Copyr2(p.Tracks);
        out.Record(r2.data(), r2.size());
        const std::vector<Bytes> directory = DirectoryBlocks(order, p);
        constexpr std::size_t kBlocksPerRecord = 11;
        for (std::size_t b = 0; b < directory.size(); b += kBlocksPerRecord) {
            out.BeginRecord();
            const std::size_t end = std::min(directory.size(), b + kBlocksPerRecord);
            for (std::size_t k = b; k < end; ++k)
                out.Append(directory[k].data(), directory[k].size());
            if (end == directory.size()) {
                const std::uint8_t zeros[12] = {};
                out.Append(zeros, sizeof zeros);
            }
            out.EndRecord();
        }

        if (progress) {
            progress->SetMinimum(0);
            progress->SetMaximum(static_cast<std::int64_t>(order.size()));
        }
        std::int64_t done = 0;
        for (const MemberPlan* m : order) {
            Step(progress, done++);
            if (m->Alias) continue;
            const std::vector<std::uint32_t>& lengths = p.Lengths.at(m);
            const std::vector<std::uint32_t>& addresses = p.Addresses.at(m);
            std::size_t index = 0;
            std::size_t inRecord = 0;  // bytes of the record begun
            m->Data->Blocks([&](const std::uint8_t* data, std::size_t n) {
                if (index >= lengths.size() || n != lengths[index]) {
                    throw InputRefused{"The data of member " + m->Name +
                                       " changed while it was written"};
                }
                if (inRecord > 0 && inRecord + 12 + n > kUnloadRecord) {
                    out.EndRecord();
                    inRecord = 0;
                }
                if (inRecord == 0) out.BeginRecord();
                std::uint8_t count[12];
                PutCount(count, addresses[index], static_cast<std::uint32_t>(n));
                out.Append(count, 12);
                out.Append(data, n);
                inRecord += 12 + n;
                ++index;
            });
            if (index != lengths.size()) {
                throw InputRefused{"The data of member " + m->Name +
                                   " changed while it was written"};
            }
            if (inRecord > 0 && inRecord + 12 > kUnloadRecord) {
                out.EndRecord();
                inRecord = 0;
            }
            if (inRecord == 0) out.BeginRecord();
            std::uint8_t eof[12];
            PutCount(eof, addresses.back(), 0);
            out.Append(eof, 12);
            out.EndRecord();
        }
        out.Finish();
        CreateSummary s;
        s.Members = plan.Members.size();
        s.DirectoryBlocks = p.DirectoryBlocks;
        s.Bytes = out.Written();
        return s;
    });
}

Result<CreateSummary> WriteSequential(const SequentialPlan& plan, const NetdataOut::Target& target,
                                      Progress* progress) {
    if (const auto problems = FormatProblems(plan.Format, false); !problems.empty()) {
        return UsageError(problems.front());
    }
    if (!plan.Data) return UsageError("The dataset has no data");
    return Guarded([&]() -> Result<CreateSummary> {
        const WriteFormat& f = plan.Format;
        std::uint64_t size = 0;
        for (std::uint32_t n : plan.Data->Lengths()) size += n;
        NetdataOut out(target);
        const std::uint32_t file = StartTransmission(out, plan.Transmission);
        TextUnits inmcopy;
        inmcopy.Text(0x1028, "INMCOPY")
            .Number(0x102C, SizeField(size), 4)
            .Number(0x003C, 0x4000, 2)
            .Number(0x0042, f.Kind == 'U' ? 0 : f.Lrecl, 2)
            .Number(0x0030, BlockSize(f), 4)
            .Number(0x0049, RecfmField(f) | 0x0002, 2);
        if (!plan.DatasetName.empty()) inmcopy.Name(0x0002, plan.DatasetName);
        out.Control(2, inmcopy, file);
        WriteMessage(out, plan.Transmission);
        out.Control(3, DataControl(SizeField(size), f.Kind == 'U' ? 0 : f.Lrecl));
        if (progress) {
            progress->SetMinimum(0);
            progress->SetMaximum(static_cast<std::int64_t>(size));
        }
        std::int64_t done = 0;
        plan.Data->Blocks([&](const std::uint8_t* data, std::size_t n) {
            if ((done & 0xFFFFF) + static_cast<std::int64_t>(n) > 0xFFFFF) Step(progress, done);
            done += static_cast<std::int64_t>(n);
            if (f.Kind == 'U') {
                out.Record(data, n);
            } else if (f.Kind == 'F') {
                for (std::size_t at = 0; at < n; at += f.Lrecl) {
                    out.Record(data + at, std::min<std::size_t>(f.Lrecl, n - at));
                }
            } else {
                // Records without their descriptor words, as TRANSMIT sends them.
                for (std::size_t at = 4; at + 4 <= n;) {
                    const std::size_t length =
                        static_cast<std::size_t>(data[at]) << 8 | data[at + 1];
                    if (length < 4 || at + length > n) {
                        throw InputRefused{"A variable block holds a wrong record length"};
                    }
                    out.Record(data + at + 4, length - 4);
                    at += length;
                }
            }
        });
        out.Finish();
        CreateSummary s;
        s.Bytes = out.Written();
        return s;
    });
}

namespace {
template <class Plan>
Result<CreateSummary> IntoFile(const std::filesystem::path& output, const Plan& plan, bool replace,
                               Progress* progress) {
    std::unique_ptr<AtomicWriter> writer;
    AtomicWriteOptions options;
    options.Replace = replace;
    const AtomicWriter::Status opened = AtomicWriter::Create(output, options, writer);
    if (opened != AtomicWriter::Status::Ok) return IoError(AtomicWriteText(opened, output));
    // The members are read and encoded while the last buffer is written.
    BackgroundWriter background(
        [&](const std::uint8_t* p, std::size_t n) { return writer->Write(p, n); });
    const auto target = [&](const std::uint8_t* p, std::size_t n) { return background.Lend(p, n); };
    Result<CreateSummary> written = [&] {
        if constexpr (std::is_same_v<Plan, LibraryPlan>) {
            return WriteLibrary(plan, target, progress);
        } else {
            return WriteSequential(plan, target, progress);
        }
    }();
    const bool allWritten = background.Finish();
    if (!written || written->Cancelled || !allWritten) {
        writer->Discard();
        if (written && written->Cancelled) return written;
        if (!allWritten || written.Err().What == Error::Kind::Io) {
            return IoError("Cannot write " + PathToUtf8(output) + ": the disk may be full");
        }
        return written;
    }
    const AtomicWriter::Status committed = writer->Commit();
    if (committed != AtomicWriter::Status::Ok) return IoError(AtomicWriteText(committed, output));
    return written;
}
}  // namespace

Result<CreateSummary> CreateXmitFile(const std::filesystem::path& output, const LibraryPlan& plan,
                                     bool replace, Progress* progress) {
    return IntoFile(output, plan, replace, progress);
}

Result<CreateSummary> CreateXmitFile(const std::filesystem::path& output,
                                     const SequentialPlan& plan, bool replace, Progress* progress) {
    return IntoFile(output, plan, replace, progress);
}

}  // namespace corvane::create
