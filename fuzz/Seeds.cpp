// corvane-fuzz-seeds DIR: seed inputs for the fuzz targets, made by the
// test-file builder.
#include <filesystem>
#include <iostream>
#include <string>

#include "XmitBuilder.h"
#include "ZipWriter.h"

using namespace corvane::testing;
namespace fs = std::filesystem;

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
    return 0;
}
