// Writing XMIT files: what the writer makes reads back through the program's
// own reader and through Hercules, for every record format, in the host's
// directory order, with the host's disk layout.
#include <gtest/gtest.h>

#include "Hercules.h"
#include "InMemory.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "create/Dasd3390.h"
#include "create/FileBlocks.h"
#include "create/LibraryBlocks.h"
#include "create/XmitCreator.h"
#include "present/Presenter.h"

using namespace corvane;
using namespace corvane::testing;
using namespace corvane::create;

namespace {

// Blocks held in memory.
class MemoryBlocks : public BlockProducer {
  public:
    explicit MemoryBlocks(std::vector<Bytes> blocks) : blocks_(std::move(blocks)) {}
    void Blocks(const Emit& emit) override {
        for (const Bytes& b : blocks_) emit(b.data(), b.size());
    }

  private:
    std::vector<Bytes> blocks_;
};

Bytes Joined(const std::vector<Bytes>& blocks) {
    Bytes all;
    for (const Bytes& b : blocks) all.insert(all.end(), b.begin(), b.end());
    return all;
}

Bytes Write(const LibraryPlan& plan) {
    Bytes out;
    auto done = WriteLibrary(plan, [&](const std::uint8_t* p, std::size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    });
    EXPECT_TRUE(done.Ok()) << (done.Ok() ? "" : done.Err().Message);
    return out;
}

MemberPlan Member(const std::string& name, std::vector<Bytes> blocks) {
    MemberPlan m;
    m.Name = name;
    m.Data = std::make_shared<MemoryBlocks>(std::move(blocks));
    return m;
}

struct FormatCase {
    const char* Recfm;
    std::uint32_t Lrecl, Blksize;
    std::vector<Bytes> Blocks;
};

std::vector<FormatCase> FormatCases() {
    const VariableData vb =
        VariableBlocks({Cards(1, 'V'), Bytes(300, 0x25), Bytes(1, 0)}, 400, false);
    std::vector<Bytes> vbBlocks;
    std::size_t at = 0;
    for (std::size_t n : vb.BlockSizes) {
        vbBlocks.emplace_back(vb.Data.begin() + static_cast<std::ptrdiff_t>(at),
                              vb.Data.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    return {{"F", 80, 80, {Cards(1, 'A'), Cards(1, 'B')}},
            {"FB", 80, 27920, {Cards(349, 'F'), Cards(3, 'G')}},
            {"V", 255, 259, {Bytes{0, 12, 0, 0, 0, 8, 0, 0, 1, 2, 3, 4}}},
            {"VB", 396, 400, vbBlocks},
            {"U", 0, 6144, {Bytes(6144, 0x07), Bytes(17, 0x00), Bytes(4000, 0xFF)}}};
}

}  // namespace

TEST(Create, TheDiskGeometryIsThe3390s) {
    // Blocks per track of the sizes IBM gives for a 3390.
    const std::pair<std::uint32_t, std::uint32_t> perTrack[] = {
        {56664, 1}, {27998, 2}, {18452, 3}, {3200, 14}, {3120, 15}};
    for (const auto& [size, count] : perTrack) {
        EXPECT_EQ(kTrackCells / BlockCells(0, size), count) << size;
    }
    EXPECT_EQ(kTrackCells / BlockCells(8, 256), 45u);
    EXPECT_EQ(BlockCells(0, 0), 20u);
    // Records count from 1 on each track.
    TrackPlacer placer;
    for (int k = 1; k <= 15; ++k) EXPECT_EQ(placer.Place(0, 3120), static_cast<std::uint32_t>(k));
    EXPECT_EQ(placer.Place(0, 3120), 0x000101u);
}

TEST(Create, EveryRecordFormatReadsBackAsWritten) {
    for (const FormatCase& c : FormatCases()) {
        SCOPED_TRACE(c.Recfm);
        LibraryPlan plan;
        plan.DatasetName = "USER.TEST.LIB";
        plan.Transmission.Timestamp = "20261209120000";
        std::string recfm = c.Recfm;
        plan.Format.Kind = recfm[0];
        plan.Format.Blocked = recfm.size() == 2;
        plan.Format.Lrecl = c.Lrecl;
        plan.Format.Blksize = c.Blksize;
        plan.Members = {Member("ONE", c.Blocks), Member("EMPTY", {})};
        const Bytes file = Write(plan);
        EXPECT_EQ(file.size() % 80, 0u);
        EXPECT_EQ(Write(plan), file);  // the same plan gives the same bytes
        InMemory x(file);
        ASSERT_EQ(x.Result, 0);
        EXPECT_EQ(x.Info.Dataset.Name, "USER.TEST.LIB");
        EXPECT_EQ(x.Info.Dataset.Lrecl, c.Lrecl);
        EXPECT_EQ(x.Info.Dataset.Blksize, c.Blksize);
        ASSERT_EQ(x.Info.Members.size(), 2u);
        EXPECT_EQ(present::TrimmedName(x.Info.Members[1].Name), "ONE");
        EXPECT_EQ(x.Read(1), Joined(c.Blocks));
        EXPECT_TRUE(x.Read(0).empty());
    }
}

TEST(Create, TheDirectoryIsInEbcdicOrderAndAliasesShareTheirMembersData) {
    LibraryPlan plan;
    plan.Transmission.Timestamp = "20261209120000";
    for (const char* name : {"A1", "AB", "$X", "#Y", "@Z"}) {
        plan.Members.push_back(Member(name, {Cards(2, name[0])}));
    }
    MemberPlan alias;
    alias.Name = "ZALIAS";
    alias.Alias = true;
    alias.AliasOf = "AB";
    plan.Members.push_back(alias);
    // Enough entries for several directory blocks.
    for (int k = 0; k < 40; ++k) {
        MemberPlan m = Member("M" + std::to_string(k), {Cards(1, 'M')});
        m.UserData = IspfStats(1, 2, 1, 26, 343, 12, 0, "ME");
        plan.Members.push_back(std::move(m));
    }
    InMemory x(Write(plan));
    ASSERT_EQ(x.Result, 0);
    std::vector<std::string> names;
    for (const MemberEntry& m : x.Info.Members) names.push_back(present::TrimmedName(m.Name));
    ASSERT_EQ(names.size(), 46u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 5),
              (std::vector<std::string>{"$X", "#Y", "@Z", "AB", "A1"}));
    EXPECT_EQ(names.back(), "ZALIAS");
    EXPECT_TRUE(x.Info.Members.back().Alias);
    EXPECT_EQ(x.Info.Members.back().Ttr, x.Info.Members[3].Ttr);
    EXPECT_EQ(x.Read(45), Cards(2, 'A'));
    EXPECT_EQ(x.Info.Members[6].Ispf->User, "ME      ");
}

TEST(Create, ALibraryWrittenAgainKeepsItsEntriesAndMovesTheAddressesInThem) {
    // A load library whose entries point at their second block.
    PdsSpec library;
    library.Recfm = 0xC000;
    library.Lrecl = 0;
    library.Blksize = 1000;
    library.BlocksPerTrack = 3;
    library.Members.push_back(
        {"ALIASB", {}, true, "PROGB", LoadModuleData(0x02, 2500, 0, 0x03, 1, "PROGB")});
    for (const char* name : {"PROGA", "PROGB"}) {
        PdsMember m{name, Bytes(2500, static_cast<std::uint8_t>(name[4])), false, "", {}};
        m.UserData = LoadModuleData(0x02, 2500, 0, 0x03, 1);
        library.Members.push_back(m);
    }
    const std::vector<std::uint32_t> ttrs = BuildPds(library, *std::make_unique<MemoryOut>());
    for (std::size_t i = 0; i < library.Members.size(); ++i) {
        // The first text block's address: the member's second block.
        const std::uint32_t second = (ttrs[i] & ~0xFFu) | ((ttrs[i] & 0xFF) + 1);
        Bytes& u = library.Members[i].UserData;
        u[0] = static_cast<std::uint8_t>(second >> 16);
        u[1] = static_cast<std::uint8_t>(second >> 8);
        u[2] = static_cast<std::uint8_t>(second);
    }
    Bytes original = BuildPds(library);
    // One user address in each entry.
    InMemory before(original);
    ASSERT_EQ(before.Result, 0);
    for (MemberEntry& m : before.Info.Members) m.Indicator |= 0x20;
    MemberReader reader(before.Source, before.Info);
    std::vector<const MemberEntry*> chosen = {&before.Info.Members[0]};  // ALIASB alone
    InMemory after(Write(PlanFromLibrary(reader, before.Info, chosen)));
    ASSERT_EQ(after.Result, 0);
    ASSERT_EQ(after.Info.Members.size(), 2u);  // the alias brings its member
    const MemberEntry& b = after.Info.Members[1];
    EXPECT_EQ(present::TrimmedName(b.Name), "PROGB");
    EXPECT_TRUE(after.Info.Members[0].Alias);
    EXPECT_EQ(after.Info.Members[0].Ttr, b.Ttr);
    EXPECT_EQ(after.Read(1), before.Read(2));
    EXPECT_EQ(b.UserData.substr(3), before.Info.Members[2].UserData.substr(3));
    const std::uint32_t moved = static_cast<std::uint8_t>(b.UserData[0]) << 16 |
                                static_cast<std::uint8_t>(b.UserData[1]) << 8 |
                                static_cast<std::uint8_t>(b.UserData[2]);
    EXPECT_EQ(moved, b.Ttr + 1);  // its second block, where it now is
}

TEST(Create, APlanThatCannotBeWrittenIsRefusedWithOneLineEach) {
    LibraryPlan plan;
    plan.DirectoryBlocks = 1;
    plan.Members = {Member("GOOD", {}), Member("1BAD", {}), Member("TOOLONGNAME", {}),
                    Member("GOOD", {})};
    for (int k = 0; k < 30; ++k) plan.Members.push_back(Member("M" + std::to_string(k), {}));
    MemberPlan alias;
    alias.Name = "LOST";
    alias.Alias = true;
    alias.AliasOf = "NOWHERE";
    plan.Members.push_back(alias);
    const std::vector<std::string> problems = LibraryProblems(plan);
    for (const char* said :
         {"\"1BAD\" is not a valid member name", "\"TOOLONGNAME\" is not a valid member name",
          "Member GOOD is there twice", "Alias LOST names NOWHERE",
          "The directory needs 2 blocks; 1 were given"}) {
        EXPECT_NE(std::find_if(problems.begin(), problems.end(),
                               [&](const std::string& p) { return p.find(said) == 0; }),
                  problems.end())
            << said;
    }
    EXPECT_EQ(problems.size(), 5u);
    Bytes out;
    auto written = WriteLibrary(plan, [&](const std::uint8_t* p, std::size_t n) {
        out.insert(out.end(), p, p + n);
        return true;
    });
    EXPECT_FALSE(written.Ok());
    EXPECT_TRUE(out.empty());
    // Formats the host does not allow.
    const std::pair<WriteFormat, const char*> formats[] = {
        {{'F', true, 80, 3000}, "not a multiple of the record length"},
        {{'V', true, 100, 100}, "less than the record length + 4"},
        {{'F', true, 80, 32800}, "The block size must be 1 to 32740"},
        {{'X', true, 80, 800}, "The record format must be"}};
    for (const auto& [format, said] : formats) {
        const auto p = FormatProblems(format, true);
        ASSERT_EQ(p.size(), 1u) << said;
        EXPECT_NE(p[0].find(said), std::string::npos) << p[0];
    }
}

TEST(Create, ASequentialDatasetAndItsMessageReadBack) {
    for (const char kind : {'F', 'V', 'U'}) {
        SCOPED_TRACE(kind);
        SequentialPlan plan;
        plan.DatasetName = "USER.SEQ";
        plan.Transmission.Timestamp = "20261209120000";
        plan.Transmission.Message = {Cards(1, 'H'), Cards(1, 'I')};
        plan.Format = {kind, true, kind == 'V' ? 84u : 80u, 800};
        const std::vector<Bytes> blocks =
            kind == 'V' ? std::vector<Bytes>{Bytes{0, 10, 0, 0, 0, 6, 0, 0, 0xC1, 0xC2}}
                        : std::vector<Bytes>{Cards(10, 'S'), Cards(3, 'T')};
        plan.Data = std::make_shared<MemoryBlocks>(blocks);
        Bytes out;
        ASSERT_TRUE(WriteSequential(plan, [&](const std::uint8_t* p, std::size_t n) {
                        out.insert(out.end(), p, p + n);
                        return true;
                    }).Ok());
        InMemory x(out);
        ASSERT_EQ(x.Result, 0);
        ASSERT_EQ(x.Info.Message.size(), 2u);
        EXPECT_EQ(x.Info.Message[0].substr(0, 2), "H0");
        const Bytes data = x.Read(static_cast<std::size_t>(-1));
        EXPECT_EQ(data, kind == 'V' ? Bytes({0xC1, 0xC2}) : Joined(blocks));
    }
}

TEST(Create, TextFilesBecomeRecordsOrAreRefusedNamingTheLine) {
    TempDir dir;
    WriteFile(dir / "a.txt", Bytes{'a', 'b', '\r', '\n', 0xC3, 0xA9, '\n', '\r', '\n'});
    WriteFile(dir / "long.txt", Bytes(90, 'x'));
    struct Case {
        const char* File;
        WriteFormat Format;
        bool Truncate;
        Bytes Want;           // the blocks joined
        const char* Refused;  // or the start of the refusal
    };
    const CodePage* ibm037 = CodePage::Find(37);
    const Case cases[] = {
        // The last empty line ended by CR LF is the end of the text, not a record.
        {"a.txt", {'F', true, 4, 8}, false, {0x81, 0x82, 0x40, 0x40, 0x51, 0x40, 0x40, 0x40}, ""},
        {"a.txt",
         {'V', true, 8, 100},
         false,
         {0, 15, 0, 0, 0, 6, 0, 0, 0x81, 0x82, 0, 5, 0, 0, 0x51},
         ""},
        {"long.txt", {'F', true, 80, 80}, false, {}, "Line 1 of "},
        {"long.txt", {'F', true, 80, 80}, true, Bytes(80, 0xA7), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.File) + " " + c.Format.Kind);
        FileBlocks blocks(dir / c.File, {c.Format, true, ibm037, c.Truncate, {}});
        Bytes got;
        try {
            blocks.Blocks(
                [&](const std::uint8_t* p, std::size_t n) { got.insert(got.end(), p, p + n); });
            EXPECT_EQ(std::string(c.Refused), "");
            EXPECT_EQ(got, c.Want);
        } catch (const InputRefused& r) {
            EXPECT_EQ(r.Text.rfind(c.Refused, 0), 0u) << r.Text;
            EXPECT_NE(std::string(c.Refused), "");
        }
    }
    FileBlocks odd(dir / "long.txt", {{'F', true, 80, 800}, false, nullptr, false, {}});
    EXPECT_THROW(odd.Lengths(), InputRefused);  // 90 bytes: not whole records
}

// ASCII is encoded many bytes at a time; each byte must still get its own
// code, and a character past ASCII found wherever it stands.
TEST(Create, EveryAsciiCharacterGetsItsCodeWhereverItStands) {
    std::string ascii;
    for (int round = 0; round < 3; ++round)
        for (char c = 0; c < 127; ++c) ascii += static_cast<char>(c + 1);
    for (const int number : {37, 500, 1047, 1141}) {
        const CodePage* page = CodePage::Find(number);
        ASSERT_NE(page, nullptr);
        Bytes want;
        for (char c : ascii) {
            int code = -1;
            for (int b = 255; b >= 0; --b)
                if (page->CodePoint(static_cast<std::uint8_t>(b)) == static_cast<char32_t>(c))
                    code = b;
            want.push_back(static_cast<std::uint8_t>(code));
        }
        for (std::size_t length :
             {std::size_t{7}, std::size_t{31}, std::size_t{32}, std::size_t{65}, ascii.size()}) {
            SCOPED_TRACE(std::to_string(number) + " " + std::to_string(length));
            Bytes got;
            std::size_t bad = 0;
            ASSERT_TRUE(EncodeLine(std::string_view(ascii).substr(0, length), page, got, bad));
            EXPECT_EQ(got, Bytes(want.begin(), want.begin() + static_cast<std::ptrdiff_t>(length)));
            // U+00E9 (é), two bytes of UTF-8, in place of the last character.
            std::string accented = ascii.substr(0, length - 1) + "\xC3\xA9";
            ASSERT_TRUE(EncodeLine(accented, page, got, bad));
            ASSERT_EQ(got.size(), length);
            EXPECT_TRUE(std::equal(
                want.begin(), want.begin() + static_cast<std::ptrdiff_t>(length - 1), got.begin()));
            // U+4E00 has no code in these pages: refused at its byte.
            ASSERT_FALSE(EncodeLine(ascii.substr(0, length - 1) + "\xE4\xB8\x80", page, got, bad));
            EXPECT_EQ(bad, length - 1);
        }
    }
}

TEST(Create, HerculesLoadsWhatIsWrittenAndGivesTheMembersBack) {
    if (!HerculesPresent()) GTEST_SKIP() << "Hercules (/usr/bin/dasdload, dasdcat) absent: skipped";
    TempDir dir;
    for (const FormatCase& c : FormatCases()) {
        SCOPED_TRACE(c.Recfm);
        LibraryPlan plan;
        plan.Transmission.Timestamp = "20261209120000";
        std::string recfm = c.Recfm;
        plan.Format = {recfm[0], recfm.size() == 2, c.Lrecl, c.Blksize};
        plan.Transmission.Message = {Cards(1, 'M')};
        plan.Members = {Member("ONE", c.Blocks), Member("TWO", {c.Blocks.back()})};
        MemberPlan alias;
        alias.Name = "THREE";
        alias.Alias = true;
        alias.AliasOf = "ONE";
        plan.Members.push_back(alias);
        const auto file = dir / (recfm + ".xmi");
        ASSERT_TRUE(CreateXmitFile(file, plan, true).Ok());
        std::string log;
        ASSERT_TRUE(HerculesLoad(file, "USER.LIB", dir / (recfm + ".dsk"), log)) << log;
        EXPECT_EQ(HerculesMember(dir / (recfm + ".dsk"), "USER.LIB", "ONE"), Joined(c.Blocks));
        EXPECT_EQ(HerculesMember(dir / (recfm + ".dsk"), "USER.LIB", "THREE"), Joined(c.Blocks));
        EXPECT_EQ(HerculesMember(dir / (recfm + ".dsk"), "USER.LIB", "TWO"), c.Blocks.back());
    }
}
