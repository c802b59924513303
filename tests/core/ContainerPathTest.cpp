// Paths through containers: tape files by place and dataset name, the
// unloads and transmissions on them, TERSE files inside zip archives.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "MemoryPorts.h"
#include "Sha256.h"
#include "TapeBuilder.h"
#include "TempDir.h"
#include "XmitBuilder.h"
#include "ZipWriter.h"
#include "extract/MemberReader.h"
#include "nested/NodeChildren.h"
#include "nested/XmitPath.h"
#include "present/Presenter.h"
#include "tape/TapeImage.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

nlohmann::json Expected() {
    std::ifstream in(SamplesDir() / "containers" / "expected.json");
    return nlohmann::json::parse(in);
}

Bytes ReadAll(OpenedXmit& node, const MemberEntry* member) {
    MemberReader reader(*node.Source, node.Info);
    Bytes out;
    ReadRequest request;
    request.Member = member;
    request.Bytes = &out;
    NullProgress progress;
    auto done = reader.Read(request, progress);
    EXPECT_TRUE(done.Ok()) << done.Err().Message;
    return out;
}

#define NEED_SAMPLES()                                                          \
    do {                                                                        \
        if (SamplesDir().empty()) {                                             \
            GTEST_SKIP() << "samples folder ../shared/samples absent: skipped"; \
        }                                                                       \
    } while (false)

}  // namespace

TEST(ContainerPath, EveryFileOfTheSampleTapesOpensByWhatItHolds) {
    NEED_SAMPLES();
    const nlohmann::json expected = Expected();
    for (const char* name : {"test_tape.aws", "test_tape.het", "test_tape_bz2.het"}) {
        SCOPED_TRACE(name);
        const std::string tape = (SamplesDir() / "containers" / name).string();
        auto top = OpenXmitPath(tape);
        if (std::string(name) == "test_tape_bz2.het" && !TapeBuilderHasBzip2()) {
            ASSERT_FALSE(top.Ok());  // a build without bzip2 says so
            EXPECT_NE(top.Err().Message.find("cannot read bzip2"), std::string::npos);
            continue;
        }
        ASSERT_TRUE(top.Ok()) << top.Err().Message;
        EXPECT_EQ(top->Kind, NodeKind::Tape);
        ASSERT_TRUE(top->Tape);
        EXPECT_EQ(top->Tape->Info().Volser, expected.at(name).at("volser").get<std::string>());
        const auto& files = expected.at(name).at("tape_files");
        for (std::size_t i = 0; i < files.size(); ++i) {
            const nlohmann::json& f = files[i];
            SCOPED_TRACE(i + 1);
            // By place and by dataset name alike.
            for (const std::string& part :
                 {std::to_string(i + 1), f.at("dsn").get<std::string>()}) {
                auto node = OpenXmitPath(tape + "!" + part);
                ASSERT_TRUE(node.Ok()) << node.Err().Message;
                EXPECT_EQ(node->TapeFile, i);
                ASSERT_TRUE(node->Tape);
                EXPECT_EQ(node->Tape->Info().Files[i].Dsn, f.at("dsn").get<std::string>());
                const std::string content = f.at("content").get<std::string>();
                if (content == "sequential") {
                    EXPECT_EQ(node->Kind, NodeKind::Dataset);
                    EXPECT_EQ(Sha256Hex(ReadAll(node.Value(), nullptr)),
                              f.at("sha256").get<std::string>());
                } else if (content == "iebcopy-unload") {
                    EXPECT_EQ(node->Kind, NodeKind::Unload);
                    const auto& members = f.at("unload").at("members");
                    ASSERT_EQ(node->Info.Members.size(), members.size());
                    for (std::size_t k = 0; k < members.size(); ++k) {
                        const MemberEntry& m = node->Info.Members[k];
                        EXPECT_EQ(present::TrimmedName(m.Name), members[k].at("name"));
                        EXPECT_EQ(Sha256Hex(ReadAll(node.Value(), &m)), members[k].at("sha256"));
                    }
                } else {
                    EXPECT_EQ(node->Kind, NodeKind::Xmit);
                }
            }
        }
    }
}

TEST(ContainerPath, ThreeDeepPathsEqualTheCutOutFiles) {
    NEED_SAMPLES();
    const auto dir = SamplesDir() / "containers";
    // The unload on the tape reads as the unload cut out of it.
    auto cut = OpenXmitPath((dir / "xmilib_pds.unload").string());
    ASSERT_TRUE(cut.Ok()) << cut.Err().Message;
    TempDir tmp;
    // A tape kept in a zip archive, and a TERSE entry beside it.
    ZipSpec plan;
    plan.Entries = {{"tapes/XMILIB.HET", ReadFile(dir / "test_tape.het")},
                    {"SOURCE.TRS", ReadFile(dir / "FB.FIELDS.C.PACK")}};
    WriteFile(tmp / "A.zip", BuildZip(plan));
    const std::string zip = (tmp / "A.zip").string();
    auto onTape = OpenXmitPath(zip + "!tapes/XMILIB.HET!2");
    ASSERT_TRUE(onTape.Ok()) << onTape.Err().Message;
    ASSERT_EQ(onTape->Info.Members.size(), cut->Info.Members.size());
    for (std::size_t k = 0; k < cut->Info.Members.size(); ++k) {
        EXPECT_EQ(ReadAll(onTape.Value(), &onTape->Info.Members[k]),
                  ReadAll(cut.Value(), &cut->Info.Members[k]));
    }
    // The TERSE entry unpacks to the reference's binary output.
    const nlohmann::json terse = Expected().at("FB.FIELDS.C.PACK").at("binary_output");
    auto packed = OpenXmitPath(zip + "!SOURCE.TRS");
    ASSERT_TRUE(packed.Ok()) << packed.Err().Message;
    EXPECT_EQ(packed->Kind, NodeKind::Dataset);
    ASSERT_TRUE(packed->Terse.has_value());
    EXPECT_EQ(packed->Info.Dataset.Lrecl, 80u);
    EXPECT_EQ(Sha256Hex(ReadAll(packed.Value(), nullptr)), terse.at("sha256").get<std::string>());

    // The archive itself is a node only where the caller browses archives;
    // its children are the entries that hold containers, by their paths.
    EXPECT_FALSE(OpenXmitPath(zip).Ok());
    ParseOptions browse;
    browse.ArchivesAsNodes = true;
    auto archive = OpenXmitPath(zip, browse);
    ASSERT_TRUE(archive.Ok()) << archive.Err().Message;
    EXPECT_EQ(archive->Kind, NodeKind::Zip);
    const std::vector<NodeChild> children = NodeChildren(archive.Value());
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0].Step, "tapes/XMILIB.HET");
    EXPECT_EQ(children[0].What, Content::Tape);
    EXPECT_EQ(children[1].What, Content::Terse);
    EXPECT_TRUE(OpenXmitPath(zip + "!" + children[0].Step + "!2").Ok());
}

TEST(ContainerPath, WrongStepsNameTheStep) {
    NEED_SAMPLES();
    const std::string tape = (SamplesDir() / "containers" / "test_tape.aws").string();
    struct Case {
        std::string Rest;
        std::string Message;
    } cases[] = {
        {"!9", "No tape file 9 on " + tape},
        {"!0", "No tape file 0 on " + tape},
        {"!NO.SUCH.DSN", "No tape file NO.SUCH.DSN on " + tape},
        {"!1!X", "No dataset X in " + tape + "!1"},
        {"!1!*", tape + "!1!* is not an XMIT file"},
        {"!2!NOSUCH", "No member NOSUCH in " + tape + "!2"},
        {"!2!SNAKE", tape + "!2!SNAKE is not an XMIT file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Rest);
        auto opened = OpenXmitPath(tape + c.Rest);
        ASSERT_FALSE(opened.Ok());
        EXPECT_EQ(opened.Err().Message, c.Message);
    }
}

namespace {

std::vector<Bytes> Cut(const Bytes& data, const std::vector<std::size_t>& sizes) {
    std::vector<Bytes> blocks;
    std::size_t at = 0;
    for (std::size_t n : sizes) {
        blocks.emplace_back(data.begin() + at, data.begin() + at + n);
        at += n;
    }
    return blocks;
}

std::vector<Bytes> Fixed(const Bytes& data, std::size_t n) {
    std::vector<Bytes> blocks;
    for (std::size_t at = 0; at < data.size(); at += n) {
        blocks.emplace_back(data.begin() + at, data.begin() + std::min(data.size(), at + n));
    }
    return blocks;
}

// The text lines of a read, in the program's table.
std::vector<std::string> Lines(OpenedXmit& node) {
    MemberReader reader(*node.Source, node.Info);
    Bytes out;
    ReadRequest request;
    request.Form = ReadForm::Text;
    request.Bytes = &out;
    NullProgress progress;
    auto done = reader.Read(request, progress);
    EXPECT_TRUE(done.Ok()) << done.Err().Message;
    std::vector<std::string> lines;
    std::string text(out.begin(), out.end());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 2;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

Bytes Joined(const std::vector<Bytes>& blocks) {
    Bytes out;
    for (const Bytes& b : blocks) out.insert(out.end(), b.begin(), b.end());
    return out;
}

}  // namespace

TEST(ContainerPath, TapeFilesReadByTheRecordFormatOfTheirLabels) {
    std::vector<std::string> shortLines, longLines;
    std::vector<Bytes> shortRecords, longRecords;
    for (int i = 0; i < 60; ++i) {
        shortLines.push_back("RECORD " + std::to_string(i) + std::string(i % 17, 'X'));
        longLines.push_back("LONG " + std::to_string(i) + std::string(300 + 7 * i, 'Y'));
        shortRecords.push_back(ToEbcdic(shortLines.back()));
        longRecords.push_back(ToEbcdic(longLines.back()));
    }
    const VariableData vb = VariableBlocks(shortRecords, 400, false);
    const VariableData vs = VariableBlocks(longRecords, 200, true);
    const Bytes card = Cards(100, 'C');
    PdsSpec pds;
    pds.Members = {{"ALPHA", Cards(30, 'A'), false, "", {}},
                   {"BETA", Cards(3, 'B'), false, "", {}}};
    const Bytes xmit = BuildPds(pds);
    auto dataset = [](const char* dsn, const char* recfm, std::uint32_t lrecl,
                      std::uint32_t blksize, std::vector<Bytes> blocks) {
        TapeDataset d;
        d.Dsn = dsn;
        d.Recfm = recfm;
        d.Lrecl = lrecl;
        d.Blksize = blksize;
        d.Blocks = std::move(blocks);
        return d;
    };
    const std::vector<TapeDataset> datasets = {
        dataset("USER.VB", "VB", 400, 400, Cut(vb.Data, vb.BlockSizes)),
        dataset("USER.VS", "VS", 32756, 200, Cut(vs.Data, vs.BlockSizes)),
        dataset("USER.FB", "FB", 80, 800, Fixed(card, 800)),
        dataset("USER.XMIT", "FB", 80, 3200, Fixed(xmit, 3200)),
    };
    const Bytes tape = LabelledTape("CORV01", datasets, {TapePacking::Zlib, 100});
    auto open = [&](const std::string& step) {
        return OpenNodeFrom(std::make_unique<MemorySource>(tape), "T.het", {step});
    };
    auto vbNode = open("USER.VB");
    ASSERT_TRUE(vbNode.Ok()) << vbNode.Err().Message;
    EXPECT_EQ(Lines(vbNode.Value()), shortLines);
    EXPECT_EQ(ReadAll(vbNode.Value(), nullptr), vb.Data);  // blocks joined, descriptors kept
    auto vsNode = open("2");
    ASSERT_TRUE(vsNode.Ok()) << vsNode.Err().Message;
    EXPECT_EQ(Lines(vsNode.Value()), longLines);
    auto fbNode = open("3");
    ASSERT_TRUE(fbNode.Ok()) << fbNode.Err().Message;
    const std::vector<std::string> fbLines = Lines(fbNode.Value());
    ASSERT_EQ(fbLines.size(), 100u);
    EXPECT_EQ(fbLines[42], "C42" + std::string(77, ' '));
    EXPECT_EQ(ReadAll(fbNode.Value(), nullptr), card);
    auto xmitNode = open("4");
    ASSERT_TRUE(xmitNode.Ok()) << xmitNode.Err().Message;
    EXPECT_EQ(xmitNode->Kind, NodeKind::Xmit);
    ASSERT_EQ(xmitNode->Info.Members.size(), 2u);
    EXPECT_EQ(ReadAll(xmitNode.Value(), &xmitNode->Info.Members[0]), Cards(30, 'A'));

    // Without labels every file is undefined-length blocks, each block a line.
    const std::vector<Bytes> blocks = {ToEbcdic("FIRST BLOCK"), ToEbcdic("SECOND"), ToEbcdic("3")};
    auto plain =
        OpenNodeFrom(std::make_unique<MemorySource>(UnlabelledTape({blocks})), "N.aws", {"1"});
    ASSERT_TRUE(plain.Ok()) << plain.Err().Message;
    EXPECT_EQ(Lines(plain.Value()), (std::vector<std::string>{"FIRST BLOCK", "SECOND", "3"}));
    EXPECT_EQ(ReadAll(plain.Value(), nullptr), Joined(blocks));
}
