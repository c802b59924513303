// Reads that fail or stop short part of the way, and writes that find the
// disk full: every reader and writer says so, and none passes off wrong
// bytes as what the file holds or leaves a partial file behind.
#include <gtest/gtest.h>

#include <functional>

#include "FaultySource.h"
#include "TapeBuilder.h"
#include "TempDir.h"
#include "TerseWriter.h"
#include "UnloadWriter.h"
#include "XmitBuilder.h"
#include "ZipWriter.h"
#include "create/LibraryBlocks.h"
#include "create/XmitCreator.h"
#include "extract/MemberReader.h"
#include "extract/TapeFileCopy.h"
#include "io/AtomicWriter.h"
#include "nested/XmitPath.h"
#include "ports/Progress.h"
#include "settings/SettingsFile.h"
#include "tape/TapeImage.h"
#include "terse/TerseSource.h"
#include "zip/ZipReader.h"
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

using namespace corvane;
using namespace corvane::testing;

namespace {
PdsSpec Library() {
    PdsSpec plan;
    plan.MaxSegment = 120;
    plan.Members = {{"ALPHA", Cards(40, 'A'), false, "", {}},
                    {"BETA", Cards(7, 'B'), false, "", {}},
                    {"GAMMA", Cards(90, 'G'), false, "", {}}};
    return plan;
}

// Everything a node holds, read: each member's (or the dataset's) binary
// bytes one after another.
Result<Bytes> ReadAllOf(ByteSource& source, const XmitInfo& info) {
    MemberReader reader(source, info);
    NullProgress progress;
    Bytes all;
    auto one = [&](const MemberEntry* member) -> Status {
        Bytes bytes;
        ReadRequest request;
        request.Member = member;
        request.Bytes = &bytes;
        auto read = reader.Read(request, progress);
        if (!read) return read.Err();
        all.insert(all.end(), bytes.begin(), bytes.end());
        return Success();
    };
    if (!info.Partitioned) {
        auto read = one(nullptr);
        if (!read) return read.Err();
    }
    for (const MemberEntry& m : info.Members) {
        auto read = one(&m);
        if (!read) return read.Err();
    }
    return all;
}

Result<Bytes> ReadSource(ByteSource& source) {
    Bytes all(static_cast<std::size_t>(source.Size()));
    for (std::size_t at = 0; at < all.size();) {
        auto got = source.ReadAt(static_cast<std::int64_t>(at), all.data() + at,
                                 std::min<std::size_t>(4096, all.size() - at));
        if (!got) return got.Err();
        if (got.Value() == 0) {
            Error e;
            e.What = Error::Kind::Io;
            e.Message = "ends early";
            return e;
        }
        at += got.Value();
    }
    return all;
}

// One way of reading a file, from opening it to its last byte.
struct ReadPath {
    const char* What;
    Bytes File;
    std::function<Result<Bytes>(std::unique_ptr<ByteSource>)> Read;
};

std::vector<ReadPath> ReadPaths() {
    const Bytes pds = BuildPds(Library());
    std::vector<ReadPath> paths;
    paths.push_back(
        {"parse and member reads", pds, [](std::unique_ptr<ByteSource> s) -> Result<Bytes> {
             auto info = ParseXmit(*s);
             if (!info) return info.Err();
             return ReadAllOf(*s, info.Value());
         }});
    paths.push_back(
        {"library written again", pds, [](std::unique_ptr<ByteSource> s) -> Result<Bytes> {
             auto info = ParseXmit(*s);
             if (!info) return info.Err();
             MemberReader reader(*s, info.Value());
             std::vector<const MemberEntry*> all;
             for (const MemberEntry& m : info->Members) all.push_back(&m);
             Bytes out;
             auto written = create::WriteLibrary(create::PlanFromLibrary(reader, info.Value(), all),
                                                 [&](const std::uint8_t* p, std::size_t n) {
                                                     out.insert(out.end(), p, p + n);
                                                     return true;
                                                 });
             if (!written) return written.Err();
             return out;
         }});
    ZipSpec zip;
    zip.Entries = {{"A.XMI", pds}, {"B.TXT", Cards(30, 'Z')}};
    paths.push_back({"zip", BuildZip(zip), [](std::unique_ptr<ByteSource> s) -> Result<Bytes> {
                         auto archive = ZipReader::Open(std::move(s));
                         if (!archive) return archive.Err();
                         Bytes all;
                         for (const ZipDirEntry& e : archive->Entries()) {
                             auto bytes = archive->ReadEntry(e);
                             if (!bytes) return bytes.Err();
                             all.insert(all.end(), bytes->begin(), bytes->end());
                         }
                         return all;
                     }});
    TapeDataset data;
    data.Dsn = "USER.DATA";
    data.Blocks = {CardData(40, 1), CardData(40, 2)};
    TapeDataset library;
    library.Dsn = "USER.XMIT";
    library.Blocks = {Bytes(pds.begin(), pds.begin() + 3200), Bytes(pds.begin() + 3200, pds.end())};
    paths.push_back({"tape", LabelledTape("FAULT1", {data, library}),
                     [](std::unique_ptr<ByteSource> s) -> Result<Bytes> {
                         auto tape = TapeImage::Open(std::move(s));
                         if (!tape) return tape.Err();
                         Bytes all;
                         for (std::size_t k = 0; k < tape.Value()->Info().Files.size(); ++k) {
                             auto file = tape.Value()->OpenFile(k);
                             if (!file) return file.Err();
                             auto bytes = ReadSource(*file.Value());
                             if (!bytes) return bytes.Err();
                             all.insert(all.end(), bytes->begin(), bytes->end());
                         }
                         return all;
                     }});
    for (const bool spack : {false, true}) {
        TersePlan terse;
        terse.Spack = spack;
        terse.Records = {pds};
        paths.push_back({spack ? "SPACK" : "PACK", BuildTerse(terse),
                         [](std::unique_ptr<ByteSource> s) -> Result<Bytes> {
                             auto unpacked = TerseSource::Open(std::move(s), "faulty");
                             if (!unpacked) return unpacked.Err();
                             return ReadSource(*unpacked.Value());
                         }});
    }
    paths.push_back({"unload", WithRecordDescriptors(DataRecords(pds)),
                     [](std::unique_ptr<ByteSource> s) -> Result<Bytes> {
                         auto node = OpenNodeFrom(std::move(s), "faulty", {});
                         if (!node) return node.Err();
                         return ReadAllOf(*node->Source, node->Info);
                     }});
    const std::string settings =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"
        "\"engDate\"=dword:00000001\r\n\"TextExt\"=\".txt\"\r\n";
    paths.push_back({"settings", Bytes(settings.begin(), settings.end()),
                     [](std::unique_ptr<ByteSource> s) -> Result<Bytes> {
                         std::string text;
                         if (ReadSettingsFrom(*s, text) != FileRead::Read) {
                             return Error::Plain(Error::Kind::Io, "settings unreadable", "");
                         }
                         return Bytes(text.begin(), text.end());
                     }});
    return paths;
}

// A file that ends before the size it gave: a disk or a network share gone
// away part of the way through.
class EndsEarly : public MemorySource {
  public:
    using MemorySource::MemorySource;
    std::int64_t Size() const override { return MemorySource::Size() + 100; }
};
}  // namespace

TEST(Faults, SettingsThatEndBeforeTheirSizeAreUnreadableNotShorter) {
    EndsEarly source(Bytes(40, 'x'));
    std::string text = "kept?";
    EXPECT_EQ(ReadSettingsFrom(source, text), FileRead::Unreadable);
    EXPECT_TRUE(text.empty());
}

TEST(Faults, AReadThatFailsOrStopsShortIsAnErrorNeverOtherBytes) {
    for (const ReadPath& path : ReadPaths()) {
        SCOPED_TRACE(path.What);
        auto whole = path.Read(std::make_unique<MemorySource>(path.File));
        ASSERT_TRUE(whole.Ok()) << whole.Err().Message;
        const auto size = static_cast<std::int64_t>(path.File.size());
        for (const auto fault : {FaultySource::Fault::Fails, FaultySource::Fault::Short}) {
            for (std::int64_t at = 0; at < size; at += std::max<std::int64_t>(1, size / 97)) {
                auto read = path.Read(std::make_unique<FaultySource>(path.File, at, fault));
                if (read) {
                    EXPECT_EQ(read.Value(), whole.Value()) << "fault at " << at;
                } else {
                    EXPECT_FALSE(read.Err().Message.empty()) << "fault at " << at;
                }
            }
        }
    }
}

TEST(Faults, AFullDiskLeavesNoPartialFile) {
#ifdef _WIN32
    GTEST_SKIP() << "the file size limit that stands for a full disk is POSIX's";
#else
    TempDir dir;
    const Bytes pds = BuildPds(Library());
    WriteFile(dir / "lib.xmi", pds);
    TapeDataset data;
    data.Dsn = "USER.DATA";
    data.Blocks = {CardData(32000, 1), CardData(32000, 2)};
    WriteFile(dir / "tape.aws", LabelledTape("FAULT1", {data}));
    const std::string settings(20000, 's');
    struct Write {
        const char* What;
        std::function<bool(const std::filesystem::path&)> To;  // true when it says it wrote
    };
    const Write writes[] = {
        {"member extract",
         [&](const std::filesystem::path& to) {
             auto source = FileSource::Open(dir / "lib.xmi");
             auto info = ParseXmit(*source.Value());
             MemberReader reader(*source.Value(), info.Value());
             NullProgress progress;
             ReadRequest request;
             request.Member = &info->Members[2];
             request.OutputFile = to;
             return reader.Read(request, progress).Ok();
         }},
        {"tape file copy",
         [&](const std::filesystem::path& to) {
             auto tape = TapeImage::Open(std::move(FileSource::Open(dir / "tape.aws").Value()));
             return CopyTapeFile(*tape.Value(), 0, to).Ok();
         }},
        {"settings",
         [&](const std::filesystem::path& to) { return SaveSettingsFile(to, settings); }},
        {"atomic write",
         [&](const std::filesystem::path& to) {
             return WriteFileAtomically(to, settings) == AtomicWriter::Status::Ok;
         }},
        {"create",
         [&](const std::filesystem::path& to) {
             auto source = FileSource::Open(dir / "lib.xmi");
             auto info = ParseXmit(*source.Value());
             MemberReader reader(*source.Value(), info.Value());
             std::vector<const MemberEntry*> all;
             for (const MemberEntry& m : info->Members) all.push_back(&m);
             return create::CreateXmitFile(to, create::PlanFromLibrary(reader, info.Value(), all),
                                           true)
                 .Ok();
         }},
    };
    // Writes past 4 KiB fail as on a full disk (EFBIG, the signal ignored).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit was{};
    getrlimit(RLIMIT_FSIZE, &was);
    for (const Write& w : writes) {
        SCOPED_TRACE(w.What);
        const auto target = dir / "out" / "target";
        std::filesystem::create_directories(target.parent_path());
        rlimit small = was;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool said = w.To(target);
        setrlimit(RLIMIT_FSIZE, &was);
        EXPECT_FALSE(said);
        EXPECT_TRUE(std::filesystem::is_empty(target.parent_path()));
        std::filesystem::remove_all(target.parent_path());
    }
    std::signal(SIGXFSZ, SIG_DFL);
#endif
}
