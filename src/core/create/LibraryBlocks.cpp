#include "create/LibraryBlocks.h"

#include <map>
#include <set>

#include "ports/Progress.h"

namespace corvane::create {

namespace {
std::string TrimmedName(const MemberEntry& m) {
    std::string n = m.Name;
    while (!n.empty() && n.back() == ' ') n.pop_back();
    return n;
}
}  // namespace

LibraryBlocks::LibraryBlocks(MemberReader& reader, const MemberEntry& member)
    : reader_(reader), member_(member) {}

// Reads the member's blocks: their places, or with data their bytes too.
std::vector<BlockMark> LibraryBlocks::Read(std::vector<std::uint8_t>* data) const {
    std::vector<BlockMark> marks;
    std::vector<DataPiece> pieces;
    ReadRequest r;
    r.Member = &member_;
    r.Form = ReadForm::Binary;
    if (data) {
        r.Bytes = data;
    } else {
        r.Pieces = &pieces;
    }
    r.Blocks = &marks;
    r.Name = TrimmedName(member_);
    NullProgress quiet;
    const auto read = reader_.Read(r, quiet);
    if (!read) throw InputRefused{"Member " + r.Name + ": " + read.Err().Message};
    return marks;
}

void LibraryBlocks::Mark() {
    if (!marks_) marks_ = Read(nullptr);
}

std::vector<std::uint32_t> LibraryBlocks::Lengths() {
    Mark();
    std::vector<std::uint32_t> lengths;
    lengths.reserve(marks_->size());
    for (const BlockMark& b : *marks_) lengths.push_back(b.Length);
    return lengths;
}

std::vector<std::uint32_t> BlockAddresses(std::uint32_t memberTtr,
                                          const std::vector<BlockMark>& blocks) {
    std::vector<std::uint32_t> ttrs;
    ttrs.reserve(blocks.size());
    std::uint32_t track = memberTtr >> 8;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (i > 0 && blocks[i].CylinderHead != blocks[i - 1].CylinderHead) ++track;
        ttrs.push_back(track << 8 | blocks[i].Record);
    }
    return ttrs;
}

std::vector<std::uint32_t> LibraryBlocks::SourceAddresses() {
    Mark();
    return BlockAddresses(member_.Ttr, *marks_);
}

void LibraryBlocks::Blocks(const Emit& emit) {
    std::vector<std::uint8_t> data;
    const std::vector<BlockMark> marks = Read(&data);
    std::size_t at = 0;
    for (const BlockMark& b : marks) {
        if (b.Length > data.size() - at) {
            throw InputRefused{"Member " + TrimmedName(member_) + " is damaged"};
        }
        emit(data.data() + at, b.Length);
        at += b.Length;
    }
}

WriteFormat FormatOf(const DatasetInfo& d) {
    WriteFormat f;
    f.Kind = d.Recfm.Kind == 'V' || d.Recfm.Kind == 'U' ? d.Recfm.Kind : 'F';
    f.Blocked = d.Recfm.Blocked;
    f.Lrecl = d.Lrecl;
    f.Blksize = d.Blksize;
    return f;
}

LibraryPlan PlanFromLibrary(MemberReader& reader, const XmitInfo& info,
                            const std::vector<const MemberEntry*>& chosen) {
    LibraryPlan plan;
    plan.DatasetName = info.Dataset.Name;
    plan.Format = FormatOf(info.Dataset);
    // The members whose data is written: the real ones chosen and those
    // the aliases chosen share their data with.
    std::set<std::uint32_t> ttrs;
    for (const MemberEntry* m : chosen) ttrs.insert(m->Ttr);
    std::map<std::uint32_t, std::string> owner;
    for (const MemberEntry& m : info.Members) {
        if (!m.Alias && ttrs.count(m.Ttr) && !owner.count(m.Ttr)) owner[m.Ttr] = TrimmedName(m);
    }
    std::set<const MemberEntry*> wanted(chosen.begin(), chosen.end());
    for (const MemberEntry& m : info.Members) {
        const bool real = !m.Alias && owner.count(m.Ttr) && owner[m.Ttr] == TrimmedName(m);
        if (!wanted.count(&m) && !real) continue;
        MemberPlan p;
        p.Name = TrimmedName(m);
        p.NameBytes.assign(m.NameBytes.begin(), m.NameBytes.end());
        p.UserData.assign(m.UserData.begin(), m.UserData.end());
        p.UserAddresses = (m.Indicator >> 5) & 3;
        if (real) {
            p.Data = std::make_shared<LibraryBlocks>(reader, m);
        } else {
            p.Alias = true;
            const auto it = owner.find(m.Ttr);
            p.AliasOf = it != owner.end() ? it->second : TrimmedName(m) + "?";
        }
        plan.Members.push_back(std::move(p));
    }
    return plan;
}

}  // namespace corvane::create
