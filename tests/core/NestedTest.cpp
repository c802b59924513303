// Transmissions inside members: how they are recognised, read in place
// through the member's data blocks, and opened by a path with "!".
#include <gtest/gtest.h>

#include <random>

#include "InMemory.h"
#include "TempDir.h"
#include "TerseWriter.h"
#include "ZipWriter.h"
#include "nested/MemberDataSource.h"
#include "nested/NodeChildren.h"
#include "nested/XmitPath.h"
#include "present/Presenter.h"

using namespace corvane;
using namespace corvane::testing;

namespace {
Bytes InnerPds() {
    PdsSpec plan;
    plan.Members = {{"ALPHA", Cards(30, 'A'), false, "", {}},
                    {"BETA", Cards(3, 'B'), false, "", {}}};
    return BuildPds(plan);
}

Bytes InnerSequential() {
    SequentialSpec plan;
    plan.Records = {Cards(10, 'S'), Cards(5, 'T')};
    return BuildSequential(plan);
}

// A library whose member INNER holds a library, SEQ a sequential file and
// TEXT plain text; segments of maxSegment bytes make many small pieces.
PdsSpec Middle(std::size_t maxSegment = 255) {
    PdsSpec plan;
    plan.MaxSegment = maxSegment;
    plan.Members = {{"INNER", InnerPds(), false, "", {}},
                    {"SEQ", InnerSequential(), false, "", {}},
                    {"TEXT", Cards(40, 'X'), false, "", {}}};
    return plan;
}

std::size_t Index(const XmitInfo& info, const std::string& name) {
    for (std::size_t k = 0; k < info.Members.size(); ++k) {
        if (present::TrimmedName(info.Members[k].Name) == name) return k;
    }
    return static_cast<std::size_t>(-1);
}

// The bytes of a member read through a MemberDataSource in random windows.
Bytes ReadInPieces(const Bytes& bytes, const XmitInfo& info, const MemberEntry* member,
                   std::size_t& pieces) {
    auto source = MemberDataSource::Open(std::make_unique<MemorySource>(bytes), info, member, "m");
    EXPECT_TRUE(source.Ok());
    if (!source) return {};
    pieces = source.Value()->PieceCount();
    Bytes out(static_cast<std::size_t>(source.Value()->Size()));
    std::mt19937 random(7);
    std::size_t at = 0;
    while (at < out.size()) {
        const std::size_t n =
            std::min<std::size_t>((at % 5 == 1 ? 100000 : random() % 2000) + 1, out.size() - at);
        auto got = source.Value()->ReadAt(static_cast<std::int64_t>(at), out.data() + at,
                                          at + n == out.size() ? n + 5 : n);
        EXPECT_TRUE(got.Ok());
        if (!got || got.Value() != n) return {};
        at += n;
    }
    return out;
}
}  // namespace

TEST(Nested, MembersAndDatasetsThatHoldTransmissionsAreMarked) {
    InMemory middle(BuildPds(Middle()));
    ASSERT_EQ(middle.Result, 0);
    EXPECT_TRUE(middle.Info.Members[Index(middle.Info, "INNER")].HoldsXmit);
    EXPECT_TRUE(middle.Info.Members[Index(middle.Info, "SEQ")].HoldsXmit);
    EXPECT_FALSE(middle.Info.Members[Index(middle.Info, "TEXT")].HoldsXmit);

    SequentialSpec holding;
    holding.Records = {InnerPds()};
    EXPECT_TRUE(InMemory(BuildSequential(holding)).Info.DataHoldsXmit);
    EXPECT_FALSE(InMemory(InnerSequential()).Info.DataHoldsXmit);
}

TEST(Nested, OnlyAControlRecordNamedInmr01CountsAsTheStart) {
    Bytes flagless = InnerPds();
    flagless[1] &= ~0x20;  // same bytes, but a data segment
    Bytes inmr02 = InnerPds();
    inmr02[7] = 0xF2;
    PdsSpec plan;
    plan.Members = {{"FLAGLESS", flagless, false, "", {}}, {"INMR02", inmr02, false, "", {}}};
    InMemory file(BuildPds(plan));
    ASSERT_EQ(file.Result, 0);
    for (const MemberEntry& m : file.Info.Members) EXPECT_FALSE(m.HoldsXmit) << m.Name;
}

// The source gives the bytes a binary extract writes, whatever the blocks
// and segments: member data in small segments and variable-length blocks,
// and a sequential dataset of several records.
TEST(Nested, TheSourceGivesTheBinaryExtractBytes) {
    PdsSpec variable = Middle();
    variable.Recfm = 0x5000;  // VB: blocks of any size
    variable.BlockSizes = {{1000, 37, 2000, 4000, 5000}};
    PdsSpec large;
    large.Members = {{"BIG", Cards(4000, 'L'), false, "", {}}};
    SequentialSpec sequential;
    Bytes inner = InnerPds();
    sequential.Records = {Bytes(inner.begin(), inner.begin() + 800),
                          Bytes(inner.begin() + 800, inner.end())};
    struct Case {
        const char* What;
        Bytes File;
        std::string Member;  // empty: the sequential dataset
    } cases[] = {{"255-byte segments", BuildPds(Middle()), "INNER"},
                 {"31-byte segments", BuildPds(Middle(31)), "INNER"},
                 {"variable blocks", BuildPds(variable), "INNER"},
                 {"sequential", BuildSequential(sequential), ""},
                 {"a large member, read in wide windows", BuildPds(large), "BIG"}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.What);
        InMemory file(c.File);
        ASSERT_EQ(file.Result, 0);
        const std::size_t k =
            c.Member.empty() ? static_cast<std::size_t>(-1) : Index(file.Info, c.Member);
        const Bytes expected = file.Read(k);
        ASSERT_FALSE(expected.empty());
        std::size_t pieces = 0;
        EXPECT_EQ(ReadInPieces(c.File, file.Info,
                               c.Member.empty() ? nullptr : &file.Info.Members[k], pieces),
                  expected);
        EXPECT_GT(pieces, 1u);
    }
}

TEST(Nested, ADamagedMemberGivesNoSource) {
    Bytes bytes = BuildPds(Middle());
    InMemory whole(bytes);
    const MemberEntry& inner = whole.Info.Members[Index(whole.Info, "INNER")];
    // The file ends in the middle of the member: its end block is missing.
    bytes.resize(static_cast<std::size_t>(inner.DataStart + 600));
    InMemory cut(bytes);
    ASSERT_EQ(cut.Result, 0);
    auto outer = std::make_unique<MemorySource>(bytes);
    auto source = MemberDataSource::Open(std::move(outer), cut.Info,
                                         &cut.Info.Members[Index(cut.Info, "INNER")], "INNER");
    ASSERT_FALSE(source.Ok());
    EXPECT_EQ(source.Err().What, Error::Kind::Damaged);
}

// The file written for path tests: OUTER.XMIT with MIDDLE (the library
// above) and a sequential file whose dataset is a library.
struct PathFiles {
    PathFiles() {
        SequentialSpec holding;
        holding.Qualifiers = {"USER", "HOLDING"};
        holding.Records = {InnerPds()};
        PdsSpec outer;
        outer.MaxSegment = 100;
        outer.Members = {{"MIDDLE", BuildPds(Middle()), false, "", {}},
                         {"HOLDING", BuildSequential(holding), false, "", {}},
                         {"TEXT", Cards(2, 'T'), false, "", {}}};
        WriteFile(Dir / "OUTER.XMIT", BuildPds(outer));
    }
    std::string Path(const std::string& rest) const { return (Dir / "OUTER.XMIT").string() + rest; }
    TempDir Dir;
};

TEST(NestedPath, OpensTransmissionsToAnyDepth) {
    PathFiles files;
    struct Case {
        std::string Rest;
        std::vector<std::string> Members;  // of the innermost file; empty: sequential
    } cases[] = {
        {"", {"MIDDLE", "HOLDING", "TEXT"}},          {"!MIDDLE", {"INNER", "SEQ", "TEXT"}},
        {"!MIDDLE!INNER", {"ALPHA", "BETA"}},         {"!MIDDLE!SEQ", {}},
        {"!HOLDING!USER.HOLDING", {"ALPHA", "BETA"}}, {"!HOLDING!*", {"ALPHA", "BETA"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Rest);
        auto opened = OpenXmitPath(files.Path(c.Rest));
        ASSERT_TRUE(opened.Ok()) << opened.Err().Message;
        std::vector<std::string> names;
        for (const MemberEntry& m : opened->Info.Members)
            names.push_back(present::TrimmedName(m.Name));
        EXPECT_EQ(names, c.Members);
        EXPECT_EQ(opened->Info.Partitioned, !c.Members.empty());
        EXPECT_EQ(opened->Nested, !c.Rest.empty());
    }
    auto seq = OpenXmitPath(files.Path("!MIDDLE!SEQ"));
    ASSERT_TRUE(seq.Ok());
    InMemory direct(InnerSequential());
    EXPECT_EQ(seq->Info.FileSize, direct.Info.FileSize);
    MemberReader reader(*seq->Source, seq->Info);
    Bytes text;
    ReadRequest r;
    r.Bytes = &text;
    r.Form = ReadForm::Text;
    MemoryProgress progress;
    ASSERT_TRUE(reader.Read(r, progress).Ok());
    Bytes expected;
    MemberReader directReader(direct.Source, direct.Info);
    r.Bytes = &expected;
    ASSERT_TRUE(directReader.Read(r, progress).Ok());
    EXPECT_EQ(text, expected);
}

// The children a tree lists below a library.
std::vector<NodeChild> ChildrenOf(const Bytes& file) {
    auto node = OpenNodeFrom(std::make_unique<MemorySource>(file), "LIB", {});
    EXPECT_TRUE(node.Ok()) << (node ? std::string() : node.Err().Message);
    return node ? NodeChildren(node.Value()) : std::vector<NodeChild>{};
}

// A member name holding the separator is a child all the same: its path
// step escapes it, and that path opens it.
TEST(NestedPath, AChildWhoseNameHoldsTheSeparatorIsReachedByItsStep) {
    PdsSpec plan;
    plan.Members = {{"A!B", InnerPds(), false, "", {}}};
    const Bytes file = BuildPds(plan);
    const std::vector<NodeChild> children = ChildrenOf(file);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].Step, "A%21B");
    EXPECT_EQ(children[0].Label, "A!B");
    InMemory outer(file);
    EXPECT_EQ(NestedPath("OUTER", outer.Info, &outer.Info.Members[0]), "OUTER!A%21B");
    auto inner = OpenNodeFrom(std::make_unique<MemorySource>(file), "OUTER", {children[0].Step});
    ASSERT_TRUE(inner.Ok()) << inner.Err().Message;
    EXPECT_EQ(inner->Info.Members.size(), 2u);
}

TEST(NestedPath, EachLevelOfADeepNestingIsReadOnce) {
    // Each level a library whose member N holds the level below.
    constexpr int kDepth = 200;
    Bytes file = InnerPds();
    for (int level = 0; level < kDepth; ++level) {
        PdsSpec plan;
        plan.Extents = {{10, 0, 4000, 14}};
        plan.Members = {{"N", file, false, "", {}}, {"X", Cards(1, 'X'), false, "", {}}};
        file = BuildPds(plan);
    }
    auto opened = OpenNodeFrom(std::make_unique<MemorySource>(file), "DEEP",
                               std::vector<std::string>(kDepth, "N"));
    ASSERT_TRUE(opened.Ok()) << opened.Err().Message;
    auto* data = dynamic_cast<MemberDataSource*>(opened->Source.get());
    ASSERT_TRUE(data);
    EXPECT_TRUE(dynamic_cast<const MemorySource*>(&data->Outer()));
    Bytes read(static_cast<std::size_t>(data->Size()));
    ASSERT_EQ(data->ReadAt(0, read.data(), read.size()).Value(), read.size());
    const Bytes inner = InnerPds();  // in records of 80: the last one filled up
    ASSERT_GE(read.size(), inner.size());
    EXPECT_TRUE(std::equal(inner.begin(), inner.end(), read.begin()));
    std::vector<std::string> names;
    for (const MemberEntry& m : opened->Info.Members) names.push_back(present::TrimmedName(m.Name));
    EXPECT_EQ(names, (std::vector<std::string>{"ALPHA", "BETA"}));
}

// A member that holds a transmission or a TERSE file is a child of its
// library however short its first blocks (its first bytes are read across
// them), and its path opens what it holds.
TEST(NestedPath, AMemberHoldingAContainerIsAChildInBlocksOfAnySize) {
    TersePlan packing;
    packing.Records = {InnerPds()};
    const struct {
        Bytes Data;
        std::size_t Block;
        Content What;
    } cases[] = {{InnerPds(), 3, Content::Xmit},
                 {BuildTerse(packing), 6144, Content::Terse},
                 {BuildTerse(packing), 5, Content::Terse}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(ContentName(c.What)) + " in blocks of " + std::to_string(c.Block));
        PdsSpec plan;
        plan.Recfm = 0xC000;  // U: blocks of any length
        plan.Lrecl = 0;
        plan.Blksize = 6144;
        plan.BlocksPerTrack = 1000;
        plan.Extents = {{10, 0, 400, 14}};
        plan.Members = {{"N", c.Data, false, "", {}}, {"TEXT", Cards(3, 'T'), false, "", {}}};
        std::vector<std::size_t> sizes;
        for (std::size_t at = 0; at < c.Data.size(); at += c.Block)
            sizes.push_back(std::min(c.Block, c.Data.size() - at));
        plan.BlockSizes = {sizes, {}};
        const Bytes file = BuildPds(plan);
        const std::vector<NodeChild> children = ChildrenOf(file);
        ASSERT_EQ(children.size(), 1u);
        EXPECT_EQ(children[0].Step, "N");
        EXPECT_EQ(children[0].What, c.What);
        EXPECT_EQ(InMemory(file).Info.Members[0].HoldsXmit, c.What == Content::Xmit);
        auto inner = OpenNodeFrom(std::make_unique<MemorySource>(file), "LIB", {"N"});
        ASSERT_TRUE(inner.Ok()) << inner.Err().Message;
        EXPECT_EQ(inner->Terse.has_value(), c.What == Content::Terse);
        EXPECT_EQ(inner->Info.Members.size(), 2u);
    }
}

TEST(NestedPath, WrongPartsAreClearErrors) {
    PathFiles files;
    struct Case {
        std::string Rest;
        Error::Kind Kind;
        std::string Message;
    } cases[] = {
        {"!NOSUCH", Error::Kind::Usage, "No member NOSUCH in " + files.Path("")},
        {"!MIDDLE!TEXT", Error::Kind::NotXmit, files.Path("!MIDDLE!TEXT") + " is not an XMIT file"},
        {"!TEXT", Error::Kind::NotXmit, files.Path("!TEXT") + " is not an XMIT file"},
        {"!MIDDLE!SEQ!X", Error::Kind::Usage, "No dataset X in " + files.Path("!MIDDLE!SEQ")},
        {"!MIDDLE!SEQ!*", Error::Kind::NotXmit,
         files.Path("!MIDDLE!SEQ!*") + " is not an XMIT file"},
        // Refused at its first step, after one pass over the path.
        {std::string(120000, '!'), Error::Kind::Usage, "No member  in " + files.Path("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Rest);
        auto opened = OpenXmitPath(files.Path(c.Rest));
        ASSERT_FALSE(opened.Ok());
        EXPECT_EQ(opened.Err().What, c.Kind);
        EXPECT_EQ(opened.Err().Message, c.Message);
    }
    EXPECT_EQ(OpenXmitPath((files.Dir / "NONE.XMIT!A").string()).Err().What, Error::Kind::Io);
}

TEST(NestedPath, AFileWhoseNameHoldsTheSeparatorIsTakenWhole) {
    TempDir dir;
    WriteFile(dir / "A!B", InnerPds());
    WriteFile(dir / "A", BuildPds(Middle()));  // would be taken for A, member B
    auto opened = OpenXmitPath((dir / "A!B").string());
    ASSERT_TRUE(opened.Ok());
    EXPECT_FALSE(opened->Nested);
    EXPECT_EQ(opened->Info.Members.size(), 2u);
    // Beyond such a file, the longest file name wins.
    WriteFile(dir / "L!INNER", BuildPds(Middle()));
    WriteFile(dir / "L", BuildPds(Middle()));
    auto longest = OpenXmitPath((dir / "L!INNER!INNER").string());
    ASSERT_TRUE(longest.Ok()) << longest.Err().Message;
    EXPECT_EQ(longest->Info.Members.size(), 2u);
    EXPECT_EQ(longest->Name, "INNER");
}

TEST(NestedPath, ZipEntriesAreNamedAsStoredWithTheirFolders) {
    PathFiles files;
    ZipSpec plan;
    plan.Entries = {{"dist/OUTER.XMIT", ReadFile(files.Dir / "OUTER.XMIT")},
                    {"readme.txt", ToEbcdic("read me")}};
    const std::string zip = (files.Dir / "A.zip").string();
    WriteFile(zip, BuildZip(plan));
    struct Case {
        std::string Rest;
        std::size_t Members;
        std::string Name;
    } opens[] = {{"!dist/OUTER.XMIT", 3, "OUTER.XMIT"},
                 {"!dist\\OUTER.XMIT!MIDDLE!INNER", 2, "INNER"}};
    for (const Case& c : opens) {
        SCOPED_TRACE(c.Rest);
        auto opened = OpenXmitPath(zip + c.Rest);
        ASSERT_TRUE(opened.Ok()) << opened.Err().Message;
        EXPECT_EQ(opened->Info.Members.size(), c.Members);
        EXPECT_EQ(opened->Name, c.Name);
    }
    struct Fails {
        std::string Rest;
        std::string Message;
    } fails[] = {{"!OUTER.XMIT", "No entry OUTER.XMIT in " + zip},
                 {"!readme.txt", zip + "!readme.txt is not an XMIT file"},
                 {"!dist/OUTER.XMIT!NOSUCH", "No member NOSUCH in " + zip + "!dist/OUTER.XMIT"}};
    for (const Fails& c : fails) {
        auto opened = OpenXmitPath(zip + c.Rest);
        ASSERT_FALSE(opened.Ok()) << c.Rest;
        EXPECT_EQ(opened.Err().Message, c.Message);
    }
}
