// corvane-bench: speed and memory figures on generated large files.
//   corvane-bench open DIR      open a 1 GiB PDS (20,000 members) and one of
//                               100,000 tiny members; compare with cat
//   corvane-bench extract DIR   extract all members binary and text, compare
//                               with cp; view a 100 MiB member as text lines
//   corvane-bench unzip DIR     unpack a 1 GiB deflated entry; compare with
//                               unzip -p
//   corvane-bench repair DIR    repair a text-mode copy of the 1 GiB PDS as
//                               corvane-cli repair does; compare with cat
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "MemoryPorts.h"
#include "TransferCopies.h"
#include "XmitBuilder.h"
#include "ZipWriter.h"
#include "decode/XmitParser.h"
#include "extract/MemberReader.h"
#include "io/AtomicWriter.h"
#include "nested/XmitPath.h"
#include "present/Presenter.h"
#include "repair/RepairedFile.h"
#include "repair/RepairedOpen.h"
#include "zip/ZipReader.h"

using namespace corvane;
using namespace corvane::testing;
namespace fs = std::filesystem;

namespace {
double Seconds(const std::function<void()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Shell(const std::string& cmd) {
    return Seconds([&] {
        if (std::system(cmd.c_str()) != 0) std::cerr << "command failed: " << cmd << "\n";
    });
}

long PeakRssKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Text-like EBCDIC cards, different for every member.
void Cards(std::size_t index, std::size_t bytes, Bytes& out) {
    static const Bytes words =
        ToEbcdic("//STEP1   EXEC PGM=IEFBR14,PARM='HELLO WORLD' DD DSN=SYS1.MACLIB,DISP=SHR  ");
    out.resize(bytes);
    std::uint32_t x = static_cast<std::uint32_t>(index) * 2654435761u + 1;
    for (std::size_t k = 0; k < bytes; ++k) {
        if (k % 80 == 0) x = x * 1103515245u + 12345u;
        out[k] = words[(k + (x >> 16)) % words.size()];
    }
}

struct Library {
    fs::path Path;
    std::size_t Members;
};

std::string self;

// Writes the library in a process of its own, so that the figures of the
// process measuring only count the measured work.
Library MakeLibrary(const fs::path& dir, std::size_t members, std::size_t memberBytes,
                    std::size_t bigFirst, bool generate = false) {
    Library lib{dir / ("pds-" + std::to_string(members) + ".xmi"), members};
    if (fs::exists(lib.Path)) return lib;
    if (!generate) {
        Shell("'" + self + "' generate '" + dir.string() + "'");
        return lib;
    }
    PdsSpec plan;
    plan.Blksize = 27920;
    plan.BlocksPerRecord = 1;
    plan.BlocksPerTrack = 2;
    plan.Extents = {{1, 0, 65000, 14}};
    for (std::size_t i = 0; i < members; ++i) {
        char name[9];
        std::snprintf(name, sizeof name, "M%07zu", i);
        plan.Members.push_back({name, {}, false, "", IspfStats(1, 0, 1, 26, 1, 0, 0, "BENCH")});
    }
    plan.Generate = [&](std::size_t i, Bytes& data) {
        Cards(i, i == 0 && bigFirst ? bigFirst : memberBytes, data);
    };
    FileOut out(lib.Path);
    BuildPds(plan, out);
    return lib;
}

struct Opened {
    std::unique_ptr<FileSource> Source;
    XmitInfo Info;
    bool Open(const fs::path& p) {
        auto source = FileSource::Open(p);
        if (!source) return false;
        Source = std::move(source.Value());
        auto parsed = ParseXmit(*Source);
        if (!parsed) return false;
        Info = std::move(parsed.Value());
        return true;
    }
};

// The library of tiny members with one changed COPYR2 byte, so that no
// member's data can be located: open it and read every member, from memory.
void DamagedLibrary(const fs::path& path) {
    Bytes bytes = ReadFile(path);
    std::size_t at = 0;
    while (bytes[at + 3] != 0xCA || (bytes[at + 1] & 0x20)) at += bytes[at];  // COPYR1
    at += bytes[at];                                                          // COPYR2
    bytes[at + 2 + 16 + 7] ^= 1;  // the extent's start cylinder
    MemorySource source(std::move(bytes));
    std::size_t members = 0;
    int failed = 0;
    double took = Seconds([&] {
        auto parsed = ParseXmit(source);
        if (!parsed) return;
        members = parsed->Members.size();
        MemberReader reader(source, parsed.Value());
        MemoryProgress progress;
        CountingLines lines;
        for (const MemberEntry& m : parsed->Members) {
            ReadRequest r;
            r.Member = &m;
            r.Form = ReadForm::Hex;
            r.Lines = &lines;
            failed += reader.Read(r, progress).Ok() ? 0 : 1;
        }
    });
    std::printf("damaged COPYR2, %zu members, every one read (%d failed): %.3f s\n", members,
                failed, took);
}

void OpenBench(const fs::path& dir) {
    Library big = MakeLibrary(dir, 20000, 47 * 1024, 100 << 20);
    Library tiny = MakeLibrary(dir, 100000, 80, 0);
    Shell("cat '" + big.Path.string() + "' > /dev/null");  // warm the page cache
    double cat = Shell("cat '" + big.Path.string() + "' > /dev/null");
    Opened o;
    bool ok = false;
    double open = Seconds([&] { ok = o.Open(big.Path); });
    std::size_t found = 0;
    for (const MemberEntry& m : o.Info.Members) found += m.DataStart > 0;
    std::printf(
        "open 1 GiB PDS (%zu bytes, %zu members, %zu positions found, ok %d): %.3f s; cat: %.3f s; "
        "ratio %.2f\n",
        static_cast<std::size_t>(fs::file_size(big.Path)), o.Info.Members.size(), found, ok, open,
        cat, open / cat);
    Opened t;
    Shell("cat '" + tiny.Path.string() + "' > /dev/null");
    double tinyOpen = Seconds([&] { ok = t.Open(tiny.Path); });
    std::printf("open PDS of %zu tiny members (ok %d): %.3f s\n", t.Info.Members.size(), ok,
                tinyOpen);
    DamagedLibrary(tiny.Path);
    // A clean file opened as the program opens it, looking for transfer
    // damage, next to the open alone: each the best of five, taken in turn.
    for (const fs::path& file : {big.Path, tiny.Path}) {
        double plain = 1e9, looked = 1e9;
        bool both = true;
        for (int run = 0; run < 5; ++run) {
            plain =
                std::min(plain, Seconds([&] { both = OpenXmitPath(file.string()).Ok() && both; }));
            looked = std::min(
                looked, Seconds([&] {
                    std::string note;
                    both = repair::OpenRepairedPath(file.string(), {}, nullptr, -1, note).Ok() &&
                           note.empty() && both;
                }));
        }
        std::printf(
            "open %s with the look for transfer damage (ok %d): %.3f s; without: %.3f s; "
            "ratio %.3f\n",
            file.filename().string().c_str(), both, looked, plain, looked / plain);
    }
    std::printf("peak resident memory: %.1f MiB\n", PeakRssKiB() / 1024.0);
}

void ExtractBench(const fs::path& dir) {
    Library big = MakeLibrary(dir, 20000, 47 * 1024, 100 << 20);
    Shell("cat '" + big.Path.string() + "' > /dev/null");
    Opened o;
    o.Open(big.Path);
    const long rssAfterOpen = PeakRssKiB();
    MemberReader reader(*o.Source, o.Info);
    MemoryProgress progress;
    auto extractAll = [&](bool text, const fs::path& out) {
        fs::remove_all(out);
        fs::create_directories(out);
        int failed = 0;
        for (const MemberEntry& m : o.Info.Members) {
            ReadRequest r;
            r.Member = &m;
            r.Form = text ? ReadForm::Text : ReadForm::Binary;
            r.OutputFile = out / (present::TrimmedName(m.Name) + ".out");
            failed += reader.Read(r, progress).Ok() ? 0 : 1;
        }
        if (failed) std::printf("  %d members failed\n", failed);
    };
    fs::path cpDir = dir / "cp";
    fs::remove_all(cpDir);
    fs::create_directories(cpDir);
    double cp = Shell("cp '" + big.Path.string() + "' '" + cpDir.string() + "/' && sync");
    double bin = Seconds([&] {
        extractAll(false, dir / "bin");
        std::system("sync");
    });
    double txt = Seconds([&] {
        extractAll(true, dir / "txt");
        std::system("sync");
    });
    std::printf(
        "cp of the file: %.3f s; binary extraction of all members: %.3f s (%.2fx); text: %.3f s "
        "(%.2fx)\n",
        cp, bin, bin / cp, txt, txt / cp);
    fs::remove_all(dir / "bin");
    fs::remove_all(dir / "txt");
    fs::remove_all(cpDir);

    CountingLines lines;
    ReadRequest r;
    r.Member = &o.Info.Members[0];
    r.Form = ReadForm::Text;
    r.Lines = &lines;
    r.Name = "BIG";
    std::int64_t bytes = 0;
    double view = Seconds([&] {
        auto done = reader.Read(r, progress);
        if (done) bytes = done->Bytes;
    });
    std::printf("text view of a %.0f MiB member: %zu lines in %.3f s = %.0f MB/s\n",
                static_cast<double>(bytes) / (1 << 20), lines.Count, view,
                static_cast<double>(bytes) / 1e6 / view);
    std::printf("peak resident memory: %.1f MiB (after open: %.1f MiB)\n", PeakRssKiB() / 1024.0,
                rssAfterOpen / 1024.0);
}

void UnzipBench(const fs::path& dir) {
    const fs::path archive = dir / "big.zip";
    const std::int64_t size = 1LL << 30;
    if (!fs::exists(archive)) {
        // Deflate 1 GiB of text-like data straight into a zip archive.
        std::FILE* f = std::fopen(archive.c_str(), "wb");
        auto put16 = [&](unsigned v) { std::fputc(v & 0xFF, f), std::fputc((v >> 8) & 0xFF, f); };
        auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
        const std::string name = "BIG.XMI";
        put32(0x04034B50), put16(20), put16(0), put16(8), put32(0), put32(0), put32(0), put32(0);
        put16(static_cast<unsigned>(name.size())), put16(0);
        std::fwrite(name.data(), 1, name.size(), f);
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        Bytes in, out(1 << 20);
        uLong crc = crc32(0, Z_NULL, 0);
        std::int64_t done = 0, packed = 0;
        std::size_t index = 0;
        while (done < size) {
            Cards(index++, 1 << 20, in);
            crc = crc32(crc, in.data(), static_cast<uInt>(in.size()));
            done += static_cast<std::int64_t>(in.size());
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(in.size());
            do {
                z.next_out = out.data();
                z.avail_out = static_cast<uInt>(out.size());
                deflate(&z, done >= size ? Z_FINISH : Z_NO_FLUSH);
                std::size_t n = out.size() - z.avail_out;
                std::fwrite(out.data(), 1, n, f);
                packed += static_cast<std::int64_t>(n);
            } while (z.avail_out == 0);
        }
        deflateEnd(&z);
        const std::uint32_t central = static_cast<std::uint32_t>(30 + name.size() + packed);
        put32(0x02014B50), put16(0x0314), put16(20), put16(0), put16(8), put32(0);
        put32(static_cast<std::uint32_t>(crc)), put32(static_cast<std::uint32_t>(packed));
        put32(static_cast<std::uint32_t>(size)), put16(static_cast<unsigned>(name.size()));
        put16(0), put16(0), put16(0), put16(0), put32(0), put32(0);
        std::fwrite(name.data(), 1, name.size(), f);
        put32(0x06054B50), put16(0), put16(0), put16(1), put16(1);
        put32(static_cast<std::uint32_t>(46 + name.size())), put32(central), put16(0);
        std::fclose(f);
        // fix the local header's CRC and sizes
        f = std::fopen(archive.c_str(), "r+b");
        std::fseek(f, 14, SEEK_SET);
        put32(static_cast<std::uint32_t>(crc)), put32(static_cast<std::uint32_t>(packed));
        put32(static_cast<std::uint32_t>(size));
        std::fclose(f);
    }
    Shell("cat '" + archive.string() + "' > /dev/null");
    double unzip = Shell("unzip -p '" + archive.string() + "' BIG.XMI > /dev/null");
    auto opened = ZipReader::OpenFile(archive.string());
    if (!opened) {
        std::printf("%s\n", opened.Err().Message.c_str());
        return;
    }
    ZipReader& zip = opened.Value();
    std::int64_t total = 0;
    std::string error;
    double ours = Seconds([&] {
        Status unpacked = zip.Unpack(zip.Entries().at(0), [&](const std::uint8_t*, std::size_t n) {
            return total += static_cast<std::int64_t>(n), true;
        });
        if (!unpacked) error = unpacked.Err().Message;
    });
    fs::create_directories(dir / "unzipped");
    double toFile = Seconds(
        [&] { (void)zip.WriteEntry(zip.Entries().at(0), dir / "unzipped" / "BIG.XMI", true); });
    fs::remove_all(dir / "unzipped");
    std::printf(
        "unzip -p: %.3f s; ours to /dev/null-like sink: %.3f s (%.2fx)%s; ours to a file: %.3f s\n",
        unzip, ours, ours / unzip, error.empty() ? "" : (" error: " + error).c_str(), toFile);
    std::printf("peak resident memory: %.1f MiB\n", PeakRssKiB() / 1024.0);
}
// The 1 GiB library as a text-mode download makes it (IBM 037 to ISO 8859-1,
// CR LF after every card), repaired and written as the command does, next
// to cat of the copy into a file: each the best of three, taken in turn.
// With the code page named (--codepage 37) the copy is restored exactly;
// without, every page is tried, and pages that disagree only on bytes of
// the data leave it inexact, as the command says.
void RepairBench(const fs::path& dir) {
    Library big = MakeLibrary(dir, 20000, 47 * 1024, 100 << 20);
    const fs::path copy = dir / "pds-20000-text-mode.xmi";
    if (!fs::exists(copy)) {
        const Bytes text = TextModeCopy(ReadFile(big.Path), 37);
        FileOut(copy).Put(text.data(), text.size());
    }
    const fs::path out = dir / "repaired.xmi";
    const std::string cat = "cat '" + copy.string() + "' > '" + (dir / "cat.out").string() + "'";
    Shell(cat);
    for (const int page : {37, -1}) {
        double catSeconds = 1e9, ours = 1e9;
        repair::Repair::Outcome outcome = repair::Repair::Outcome::NotXmit;
        for (int run = 0; run < 3; ++run) {
            fs::remove(dir / "cat.out");
            catSeconds = std::min(catSeconds, Shell(cat));
            fs::remove(out);
            ours = std::min(ours, Seconds([&] {
                                auto r = repair::RepairFileInto(copy, page, out, false);
                                if (r) outcome = r->What.Result;
                            }));
        }
        const bool exact = outcome == repair::Repair::Outcome::Exact;
        const bool same = exact && ReadFile(out) == ReadFile(big.Path);
        std::printf(
            "repair a text-mode copy of the 1 GiB PDS (%lld bytes), code page %s: %s%s: %.3f s; "
            "cat: %.3f s; ratio %.2f\n",
            static_cast<long long>(fs::file_size(copy)), page < 0 ? "not named" : "037",
            exact ? "exact" : "not exact",
            exact ? (same ? ", the original bytes" : ", OTHER BYTES") : "", ours, catSeconds,
            ours / catSeconds);
    }
    fs::remove(dir / "cat.out");
    fs::remove(out);
    std::printf("peak resident memory: %.1f MiB\n", PeakRssKiB() / 1024.0);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: corvane-bench open|extract|unzip|repair DIR\n";
        return 2;
    }
    const std::string what = argv[1];
    const fs::path dir = argv[2];
    fs::create_directories(dir);
    self = argv[0];
    if (what == "generate") {
        MakeLibrary(dir, 20000, 47 * 1024, 100 << 20, true);
        MakeLibrary(dir, 100000, 80, 0, true);
    } else if (what == "open")
        OpenBench(dir);
    else if (what == "extract")
        ExtractBench(dir);
    else if (what == "unzip")
        UnzipBench(dir);
    else if (what == "repair")
        RepairBench(dir);
    else
        return 2;
    return 0;
}
