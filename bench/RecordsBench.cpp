// corvane-records-bench DIR: the text view of a 100 MiB VB member (records of
// 40 to 120 bytes behind their descriptor words, in blocks of up to 27,998
// bytes) against the text view of a FB 80 member of the same size. The VB
// view is to stay within 1.5 times the FB one. Also the VB view through IBM 037.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "MemoryPorts.h"
#include "XmitBuilder.h"
#include "decode/XmitParser.h"
#include "extract/MemberReader.h"

using namespace corvane;
using namespace corvane::testing;
namespace fs = std::filesystem;

namespace {
constexpr std::size_t kMemberBytes = std::size_t{100} << 20;

// One line of a listing, length bytes of EBCDIC text.
void AppendCard(std::size_t index, std::size_t length, Bytes& out) {
    static const std::string rest =
        " //STEP EXEC PGM=IEFBR14,PARM='A LINE OF A LONG MEMBER' * A COMMENT THAT FILLS THE "
        "REST OF THE CARD *********************************";
    std::string text = std::to_string(100000000 + index).substr(1) + rest;
    text.resize(length, ' ');
    const Bytes card = ToEbcdic(text);
    out.insert(out.end(), card.begin(), card.end());
}

void Generate(const fs::path& path, bool variable) {
    PdsSpec plan;
    plan.BlocksPerRecord = 1;
    plan.BlocksPerTrack = 2;
    plan.Extents = {{1, 0, 9000, 14}};
    Bytes data;
    data.reserve(kMemberBytes + 32768);
    if (variable) {
        plan.Recfm = 0x5000;  // VB
        plan.Lrecl = 124;
        plan.Blksize = 27998;
        std::vector<std::size_t> blocks;
        std::size_t index = 0;
        while (data.size() < kMemberBytes) {
            const std::size_t start = data.size();
            data.insert(data.end(), 4, 0);  // the block descriptor word, set below
            for (;;) {
                const std::size_t length = 40 + index * 37 % 81;
                if (data.size() - start + 4 + length > plan.Blksize) break;
                const Bytes rdw = BigEndian((length + 4) << 16, 4);
                data.insert(data.end(), rdw.begin(), rdw.end());
                AppendCard(index++, length, data);
            }
            const Bytes bdw = BigEndian((data.size() - start) << 16, 4);
            std::copy(bdw.begin(), bdw.end(), data.begin() + static_cast<std::ptrdiff_t>(start));
            blocks.push_back(data.size() - start);
        }
        plan.BlockSizes = {blocks};
    } else {
        plan.Blksize = 27920;
        for (std::size_t index = 0; data.size() < kMemberBytes; ++index) {
            AppendCard(index, 80, data);
        }
    }
    plan.Members = {{"BIG", std::move(data), false, "", {}}};
    FileOut out(path);
    BuildPds(plan, out);
}

// The best of three text views of the file's one member.
double ViewSeconds(const fs::path& path, std::size_t& lines, std::int64_t& bytes,
                   int page = CodePage::kCorvaneTable) {
    auto source = FileSource::Open(path);
    if (!source) return -1;
    auto parsed = ParseXmit(*source.Value());
    if (!parsed) return -1;
    MemberReader reader(*source.Value(), parsed.Value());
    MemoryProgress progress;
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        CountingLines target;
        ReadRequest r;
        r.Member = &parsed->Members.at(0);
        r.Form = ReadForm::Text;
        r.Lines = &target;
        r.Name = "BIG";
        r.Characters = CodePage::Find(page);
        const auto t0 = std::chrono::steady_clock::now();
        auto done = reader.Read(r, progress);
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!done) {
            std::fprintf(stderr, "%s: %s\n", path.string().c_str(), done.Err().Title.c_str());
            return -1;
        }
        best = std::min(best, took);
        lines = target.Count;
        bytes = done->Bytes;
    }
    return best;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-records-bench DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::create_directories(dir);
    const fs::path fb = dir / "fb100.xmi", vb = dir / "vb100.xmi";
    if (!fs::exists(fb)) Generate(fb, false);
    if (!fs::exists(vb)) Generate(vb, true);
    std::size_t fbLines = 0, vbLines = 0;
    std::int64_t fbBytes = 0, vbBytes = 0;
    const double fbTime = ViewSeconds(fb, fbLines, fbBytes);
    const double vbTime = ViewSeconds(vb, vbLines, vbBytes);
    if (fbTime < 0 || vbTime < 0) return 1;
    std::printf("text view, FB 80: %.1f MiB of data, %zu lines in %.3f s\n",
                static_cast<double>(fbBytes) / (1 << 20), fbLines, fbTime);
    std::printf("text view, VB:    %.1f MiB of records, %zu lines in %.3f s\n",
                static_cast<double>(vbBytes) / (1 << 20), vbLines, vbTime);
    const double vb037 = ViewSeconds(vb, vbLines, vbBytes, 37);
    std::printf("text view, VB through IBM 037: %.3f s\n", vb037);
    const double ratio = vbTime / fbTime;
    std::printf("VB / FB: %.2f (%s 1.5)\n", ratio, ratio <= 1.5 ? "within" : "ABOVE");
    return ratio <= 1.5 ? 0 : 1;
}
