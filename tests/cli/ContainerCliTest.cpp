// Tapes, unloads and TERSE files on the command line: what list and info
// print for them, and what extract writes, against the samples' expected
// values and Hercules.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "Sha256.h"
#include "TapeBuilder.h"
#include "TempDir.h"
#include "XmitBuilder.h"

using namespace corvane;
using namespace corvane::testing;

namespace {

std::filesystem::path Containers() {
    return SamplesDir() / "containers";
}

nlohmann::json Expected() {
    std::ifstream in(Containers() / "expected.json");
    return nlohmann::json::parse(in);
}

nlohmann::json Json(const std::string& args) {
    const CliRun r = Cli(args);
    EXPECT_EQ(r.Code, 0) << args;
    return r.Code == 0 ? nlohmann::json::parse(r.Out) : nlohmann::json();
}

#define NEED_SAMPLES()                                                          \
    do {                                                                        \
        if (SamplesDir().empty()) {                                             \
            GTEST_SKIP() << "samples folder ../shared/samples absent: skipped"; \
        }                                                                       \
    } while (false)

}  // namespace

TEST(CliContainers, TapesListTheirFilesAsTheirLabelsSay) {
    NEED_SAMPLES();
    const nlohmann::json expected = Expected();
    for (const char* name : {"test_tape.aws", "test_tape.het", "test_tape_bz2.het"}) {
        SCOPED_TRACE(name);
        if (std::string(name) == "test_tape_bz2.het" && !TapeBuilderHasBzip2()) {
            // A build without bzip2 says so.
            const CliRun r = Cli("list " + Q(Containers() / name), true);
            EXPECT_NE(r.Out.find("cannot read bzip2"), std::string::npos) << r.Out;
            continue;
        }
        const nlohmann::json& e = expected.at(name);
        const nlohmann::json info = Json("info --json " + Q(Containers() / name));
        EXPECT_EQ(info.at("tape").at("volser"), e.at("volser"));
        EXPECT_EQ(info.at("tape").at("label"), e.at("label"));
        EXPECT_EQ(info.at("tape").at("physical_files"), e.at("physical_files"));
        const nlohmann::json list = Json("list --json " + Q(Containers() / name));
        const nlohmann::json& files = e.at("tape_files");
        ASSERT_EQ(list.size(), files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            const nlohmann::json& f = files[i];
            const nlohmann::json& row = list[i];
            EXPECT_EQ(row.at("file"), i + 1);
            for (const char* key : {"dsn", "recfm", "lrecl", "blksize", "blocks", "bytes"}) {
                EXPECT_EQ(row.at(key), f.at(key)) << key;
            }
            EXPECT_EQ(row.at("sequence"), f.at("seq"));
            const std::string content = f.at("content");
            EXPECT_EQ(row.at("content"), content == "sequential"       ? nlohmann::json()
                                         : content == "iebcopy-unload" ? nlohmann::json("unload")
                                                                       : nlohmann::json(content));
        }
    }
}

TEST(CliContainers, WhatATapeHoldsListsAsTheFileCutOutOfIt) {
    NEED_SAMPLES();
    const std::string tape = (Containers() / "test_tape.het").string();
    EXPECT_EQ(Json("list --json " + Q(tape + "!4")),
              Json("list --json " + Q(SamplesDir() / "test_pds.xmi")));
    EXPECT_EQ(Json("list --json " + Q(tape + "!PYTHON.XMI.PDS")),
              Json("list --json " + Q(Containers() / "xmilib_pds.unload")));
    // Members read through the tape are those of the cut-out unload.
    TempDir a, b;
    ASSERT_EQ(Cli("extract --binary -o " + Q(a.Path()) + " " + Q(tape + "!2")).Code, 0);
    ASSERT_EQ(
        Cli("extract --binary -o " + Q(b.Path()) + " " + Q(Containers() / "xmilib_pds.unload.rdw"))
            .Code,
        0);
    const std::vector<std::string> names = FileNames(a.Path());
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names, FileNames(b.Path()));
    for (const std::string& n : names) EXPECT_EQ(ReadFile(a / n), ReadFile(b / n)) << n;
}

TEST(CliContainers, ATapeFileExtractsAsHerculesWritesIt) {
    NEED_SAMPLES();
#ifdef _WIN32
    GTEST_SKIP() << "Hercules hetget is compared on Linux: skipped";
#endif
    if (!std::filesystem::exists("/usr/bin/hetget")) {
        GTEST_SKIP() << "Hercules hetget absent: skipped";
    }
    TempDir dir;
    for (const char* name : {"test_tape.aws", "test_tape.het", "test_tape_bz2.het"}) {
        if (std::string(name) == "test_tape_bz2.het" && !TapeBuilderHasBzip2()) continue;
        for (int file = 1; file <= 4; ++file) {
            SCOPED_TRACE(std::string(name) + " file " + std::to_string(file));
            const std::string tape = (Containers() / name).string();
            const auto ours = dir / ("ours" + std::to_string(file));
            const auto theirs = dir / ("theirs" + std::to_string(file));
            // The tape itself extracts its files as they stand, whatever they hold.
            ASSERT_EQ(Cli("extract --overwrite --output " + Q(ours) + " " + Q(tape) + " " +
                          std::to_string(file))
                          .Code,
                      0);
            ASSERT_EQ(std::system(("hetget " + Q(tape) + " " + Q(theirs) + " " +
                                   std::to_string(file) + " >/dev/null 2>&1")
                                      .c_str()),
                      0);
            EXPECT_EQ(ReadFile(ours), ReadFile(theirs));
            if (file != 1) continue;
            // A sequential tape file opened by its path: its blocks too.
            ASSERT_EQ(
                Cli("extract --binary --overwrite --output " + Q(ours) + " " + Q(tape + "!1")).Code,
                0);
            EXPECT_EQ(ReadFile(ours), ReadFile(theirs));
        }
    }
}

TEST(CliContainers, TerseFilesViewAsTheDatasetTheyHold) {
    NEED_SAMPLES();
    const CliRun view = Cli("view " + Q(Containers() / "VB.FIELDS.C.SPACK"));
    ASSERT_EQ(view.Code, 0);
    EXPECT_EQ(view.Out.substr(0, view.Out.find('\n')), "#ifndef lint");
    const nlohmann::json info = Json("info --json " + Q(Containers() / "VB.FIELDS.C.SPACK"));
    EXPECT_EQ(info.at("terse").at("format"), "SPACK");
    EXPECT_EQ(info.at("terse").at("recfm"), "VB");
    EXPECT_EQ(info.at("terse").at("lrecl"), 255);
    EXPECT_EQ(info.at("dataset").at("recfm"), "VB");
}

TEST(CliContainers, CommandsThatDoNotApplySaySo) {
    NEED_SAMPLES();
    const std::string tape = (Containers() / "test_tape.aws").string();
    const CliRun view = Cli("view " + Q(tape), true);
    EXPECT_EQ(view.Code, 1);
    EXPECT_NE(view.Out.find("is a tape image: name one of its files"), std::string::npos);
    const CliRun headers = Cli("headers " + Q(tape + "!2"), true);
    EXPECT_EQ(headers.Code, 1);
    EXPECT_NE(headers.Out.find("is not an XMIT file"), std::string::npos);
    const CliRun missing = Cli("list " + Q(tape + "!7"), true);
    EXPECT_EQ(missing.Code, 1);
    EXPECT_NE(missing.Out.find("No tape file 7 on " + tape), std::string::npos);
}
