// corvane-fuzz-seeds DIR: seed inputs for the fuzz targets, made by the
// test-file builder.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "TapeBuilder.h"
#include "TerseWriter.h"
#include "UnloadWriter.h"
#include "XmitBuilder.h"
#include "ZipWriter.h"
#include "text/CodePage.h"

using namespace corvane::testing;
namespace fs = std::filesystem;

namespace {
Bytes Transmission(const std::vector<TextUnit>& inmr02, std::size_t controlSegment = 255) {
    MemoryOut out;
    XmitWriter w(out);
    w.MaxControlSegment = controlSegment;
    w.Control(1, HeaderUnits());
    w.Control(2, inmr02);
    w.Control(3, {});
    w.Record(ToEbcdic(std::string(100, 'd')));
    w.Control(6, {});
    w.PadToCard();
    return out.Data;
}

// One seed for each kind of damage and of unusual but valid layout.
void WriteDamageSeeds(const fs::path& dir) {
    std::vector<std::string> longName;
    for (int k = 0; k < 12; ++k) longName.push_back("QUALIFIR");
    WriteFile(dir / "long-name-member.xmi",
              Transmission({TextUnit::Name(0x0002, longName), TextUnit::Name(0x0003, {"MEM"})}));
    WriteFile(dir / "unknown-keys.xmi",
              Transmission({TextUnit::Raw(0x000B, {BigEndian(5, 3)}),
                            TextUnit::Raw(0x8018, {Bytes(2, 1)}), TextUnit::Raw(0x8028, {}),
                            TextUnit::Text(0x1028, "INMCOPY")}));
    WriteFile(
        dir / "split-control-records.xmi",
        Transmission({TextUnit::Text(0x1028, "INMCOPY"), TextUnit::Name(0x0002, {"A", "B"})}, 21));
    WriteFile(dir / "member-name-unit.xmi",
              Transmission({TextUnit::Name(0x0002, {"A"}), TextUnit::Name(0x0003, {"M1", "M2"})}));

    SequentialSpec message;
    message.Qualifiers.clear();
    message.MessageLines = {"MESSAGE FIRST"};
    message.Records = {ToEbcdic(std::string(300, 'q'))};
    const Bytes messageSeq = BuildSequential(message);
    WriteFile(dir / "message-then-unnamed-dataset.xmi", messageSeq);

    PdsSpec pds;
    pds.Blksize = 200;
    pds.MaxSegment = 90;
    pds.EofInLastRecord = false;
    pds.RecordBeforeMembers = {0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 12; ++k) {
        pds.Members.push_back(
            {"M" + std::to_string(k + 10), ToEbcdic(std::string(90 + k, 'm')), false, "", {}});
    }
    const Bytes library = BuildPds(pds);
    WriteFile(dir / "pdse-like.xmi", library);
    // Single changes in the structure: segment flags, a length, a control
    // record's name, COPYR1, COPYR2's extent count, a bytes-used count, a
    // member block's count field.
    auto damaged = [&](const char* name, const Bytes& good, auto&& change) {
        Bytes bad = good;
        change(bad);
        WriteFile(dir / name, bad);
    };
    std::vector<std::size_t> segments;
    for (std::size_t at = 0; at + 1 < library.size() && library[at] != 0; at += library[at])
        segments.push_back(at);
    auto nth = [&](std::uint8_t flagsMask, int n) {
        for (std::size_t at : segments) {
            if ((library[at + 1] & flagsMask) == flagsMask && n-- == 0) return at;
        }
        return std::size_t{0};
    };
    damaged("flag-first-cleared.xmi", library, [&](Bytes& b) { b[nth(0x80, 8) + 1] &= 0x7F; });
    damaged("flag-control-set.xmi", library, [&](Bytes& b) { b[nth(0x80, 9) + 1] |= 0x20; });
    damaged("flag-last-cleared.xmi", library, [&](Bytes& b) { b[nth(0x40, 10) + 1] &= 0xBF; });
    damaged("segment-length.xmi", library, [&](Bytes& b) { b[nth(0x00, 30)] -= 3; });
    damaged("control-name.xmi", library, [&](Bytes& b) { b[nth(0x20, 3) + 7] = 0xF5; });
    damaged("copyr1-mark.xmi", library, [&](Bytes& b) { b[nth(0x80, 5) + 3] = 0; });
    damaged("copyr2-count.xmi", library, [&](Bytes& b) { b[nth(0x80, 6) + 2] = 0; });
    damaged("directory-used.xmi", library, [&](Bytes& b) { b[nth(0x80, 7) + 2 + 21] -= 12; });
    damaged("block-length.xmi", library, [&](Bytes& b) { b[nth(0x80, 10) + 2 + 11] += 1; });
    damaged("message-flags.xmi", messageSeq, [&](Bytes& b) {
        std::size_t at = 0;
        while (b[at + 1] != 0xC0) at += b[at];
        b[at + 1] = 0x80;
    });

    // Many members whose data cannot be located: COPYR2's extent moved.
    PdsSpec many;
    many.Extents = {{10, 0, 40, 14}};
    for (int k = 0; k < 300; ++k) {
        char name[9];
        std::snprintf(name, sizeof name, "N%05d", k);
        many.Members.push_back({name, ToEbcdic("X"), false, "", {}});
    }
    damaged("unlocatable-members.xmi", BuildPds(many), [&](Bytes& b) {
        std::size_t at = 0;
        while (b[at + 3] != 0xCA || (b[at + 1] & 0x20)) at += b[at];  // COPYR1
        at += b[at];                                                  // COPYR2
        b[at + 2 + 16 + 7] ^= 1;                                      // its start cylinder
    });
}

// Tape images: labelled AWS, HET with zlib and with bzip2 blocks, blocks
// cut into several chunks, an unlabelled tape.
void WriteTapeSeeds(const fs::path& dir) {
    fs::create_directories(dir);
    const std::vector<TapeDataset> sets = {
        {"USER.CARDS", "FB", 80, 800, {CardData(800, 1), CardData(400, 2)}},
        {"USER.VB", "VB", 255, 1000, {CardData(1000, 3)}}};
    WriteFile(dir / "labelled.aws", LabelledTape("TAPE01", sets));
    WriteFile(dir / "zlib.het", LabelledTape("TAPE02", sets, {TapePacking::Zlib, 65535, false}));
    WriteFile(dir / "bzip2.het", LabelledTape("TAPE03", sets, {TapePacking::Bzip2, 65535, false}));
    WriteFile(dir / "multi-chunk.het", UnlabelledTape({{CardData(3000, 4), CardData(900, 5)}},
                                                      {TapePacking::Zlib, 300, true}));
    WriteFile(dir / "unlabelled.aws",
              UnlabelledTape({{CardData(500, 6)}, {CardData(80, 7), CardData(160, 8)}},
                             {TapePacking::None, 200, false}));
}
// TERSE files of both algorithms and forms; containers inside containers:
// raw unloads in both forms, a tape holding an unload and an XMIT file, a
// TERSE file holding an XMIT file, a tape holding that TERSE file.
void WriteContainerSeeds(const fs::path& terse, const fs::path& containers) {
    fs::create_directories(terse);
    fs::create_directories(containers);
    const std::vector<Bytes> cards = {Cards(20, 'A')};
    for (bool spack : {false, true}) {
        for (bool variable : {false, true}) {
            TersePlan plan;
            plan.Spack = spack;
            plan.Variable = variable;
            plan.Lrecl = variable ? 255 : 80;
            plan.Records =
                variable ? std::vector<Bytes>{ToEbcdic("ONE"), {}, Cards(2, 'V')} : cards;
            WriteFile(terse / (std::string(spack ? "spack" : "pack") + (variable ? "-v" : "-f")),
                      BuildTerse(plan));
        }
    }
    PdsSpec plan;
    plan.Members = {{"ALPHA", Cards(30, 'A'), false, "", {}},
                    {"BETA", Cards(3, 'B'), false, "", {}}};
    const Bytes xmit = BuildPds(plan);
    const std::vector<Bytes> records = DataRecords(xmit);
    WriteFile(containers / "unload.rdw", WithRecordDescriptors(records));
    const Bytes blocks = InSpannedBlocks(records, 400);
    WriteFile(containers / "unload.bdw", blocks);
    TersePlan packed;
    packed.Records = {xmit};
    const Bytes terseXmit = BuildTerse(packed);
    WriteFile(containers / "xmit.pack", terseXmit);
    auto cut = [](const Bytes& data, std::size_t n) {
        std::vector<Bytes> out;
        for (std::size_t at = 0; at < data.size(); at += n) {
            out.emplace_back(
                data.begin() + static_cast<std::ptrdiff_t>(at),
                data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), at + n)));
        }
        return out;
    };
    std::vector<Bytes> unloadBlocks;
    for (std::size_t at = 0; at < blocks.size();) {
        const std::size_t n = static_cast<std::size_t>(blocks[at] << 8 | blocks[at + 1]);
        unloadBlocks.emplace_back(blocks.begin() + static_cast<std::ptrdiff_t>(at),
                                  blocks.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    const std::vector<TapeDataset> sets = {{"USER.UNLOAD", "VS", 396, 400, unloadBlocks},
                                           {"USER.XMIT", "FB", 80, 3200, cut(xmit, 3200)},
                                           {"USER.PACKED", "FB", 80, 3200, cut(terseXmit, 3200)}};
    WriteFile(containers / "tape.aws", LabelledTape("CONT01", sets));
}
}  // namespace

// Copies changed as transfers change them: line ends after each record,
// descriptors before them, text through IBM 037 with blanks stripped.
void WriteRepairSeeds(const fs::path& dir, const Bytes& file) {
    fs::create_directories(dir);
    Bytes lines, described, text;
    const corvane::CodePage* page = corvane::CodePage::Find(37);
    for (std::size_t at = 0; at + 80 <= file.size(); at += 80) {
        lines.insert(lines.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                     file.begin() + static_cast<std::ptrdiff_t>(at + 80));
        lines.insert(lines.end(), {0x0D, 0x0A});
        described.insert(described.end(), {0, 84, 0, 0});
        described.insert(described.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                         file.begin() + static_cast<std::ptrdiff_t>(at + 80));
        Bytes card;
        for (std::size_t k = at; k < at + 80; ++k) {
            card.push_back(static_cast<std::uint8_t>(page->CodePoint(file[k])));
        }
        while (!card.empty() && card.back() == 0x20) card.pop_back();
        text.insert(text.end(), card.begin(), card.end());
        text.push_back(0x0A);
    }
    WriteFile(dir / "lines.xmi", lines);
    WriteFile(dir / "described.xmi", described);
    WriteFile(dir / "text.xmi", text);
    Bytes padded = file;
    padded.resize(file.size() + 400, 0);
    WriteFile(dir / "padded.xmi", padded);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: corvane-fuzz-seeds DIR\n";
        return 2;
    }
    const fs::path dir = argv[1];
    for (const char* sub : {"decode", "zip", "settings"}) fs::create_directories(dir / sub);

    PdsSpec ispf;
    ispf.Members = {
        {"A", ToEbcdic(std::string(240, 'a')), false, "", IspfStats(1, 2, 1, 24, 10, 1, 2, "ME")},
        {"B", ToEbcdic(std::string(90, 'b')), false, "", {}},
        {"AL", {}, true, "A", {}}};
    ispf.MessageLines = {"A MESSAGE"};
    WriteFile(dir / "decode" / "ispf.xmi", BuildPds(ispf));
    PdsSpec load;
    load.Recfm = 0xC000;
    load.Blksize = 300;
    load.BlocksPerRecord = 3;
    load.MaxSegment = 40;
    load.Members = {{"P", Bytes(700, 0x47), false, "", LoadModuleData(0xC2, 700, 0, 0x12, 1)},
                    {"Q", {}, true, "P", LoadModuleData(0xC2, 700, 0, 0x01, 0, "P")}};
    WriteFile(dir / "decode" / "load.xmi", BuildPds(load));
    SequentialSpec seq;
    seq.Records = {ToEbcdic(std::string(160, 's'))};
    WriteFile(dir / "decode" / "seq.xmi", BuildSequential(seq));
    WriteDamageSeeds(dir / "decode");
    PdsSpec nested;
    nested.Members = {{"INNER", BuildSequential(seq), false, "", {}}};
    WriteFile(dir / "decode" / "nested.xmi", BuildPds(nested));
    // The decode target takes an input's last byte as how to read it (the
    // builder's files end in padding): each seed also comes with a byte
    // asking for hex with the header dump, for binary through code page 037
    // with a record cut, and for the places of the bytes.
    for (const fs::path& seed : std::vector<fs::path>(fs::directory_iterator(dir / "decode"), {})) {
        const Bytes file = ReadFile(seed);
        for (std::uint8_t how : {0x05, 0x1A, 0x03}) {
            Bytes variant = file;
            variant.push_back(how);
            WriteFile(fs::path(seed).replace_extension(std::to_string(how) + ".xmi"), variant);
        }
    }

    ZipSpec zip;
    zip.Entries = {
        {"DIR/", {}, 0}, {"DIR/A.XMI", BuildPds(ispf), 8}, {"b.txt", Bytes(100, 'b'), 0}};
    zip.Comment = "seed";
    WriteFile(dir / "zip" / "two.zip", BuildZip(zip));

    const std::string reg =
        "Windows Registry Editor Version "
        "5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvane\\Status]\r\n"
        "\"FormTop\"=dword:00000117\r\n\"lastFile\"=\"C:\\\\x.xmi\"\r\n@=\"d\"\r\n";
    WriteFile(dir / "settings" / "status.reg", Bytes(reg.begin(), reg.end()));
    const std::string ini = "[status]\r\nFormTop=279\r\ntoolbar=1\r\n[options]\r\nZipDir=/tmp\r\n";
    WriteFile(dir / "settings" / "options.ini", Bytes(ini.begin(), ini.end()));
    WriteTapeSeeds(dir / "tape");
    WriteContainerSeeds(dir / "terse", dir / "containers");
    WriteRepairSeeds(dir / "repair", BuildPds(ispf));
    return 0;
}
