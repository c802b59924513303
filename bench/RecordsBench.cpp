// corvane-records-bench DIR: the text view of a 100 MiB VB member (records of
// 40 to 120 bytes behind their descriptor words, in blocks of up to 27,998
// bytes) against the text view of a FB 80 member of the same size. The VB
// view is to stay within 1.5 times the FB one. Also the VB view through IBM 037.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
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

// A text view of the file's one member; below 0 when it fails.
class Viewer {
  public:
    explicit Viewer(const fs::path& path) : path_(path) {
        auto source = FileSource::Open(path);
        if (!source) return;
        source_ = std::move(source.Value());
        auto parsed = ParseXmit(*source_);
        if (parsed) info_ = std::move(parsed.Value());
    }
    double Seconds(int page = CodePage::kCorvaneTable) {
        if (info_.Members.empty()) return -1;
        MemberReader reader(*source_, info_);
        MemoryProgress progress;
        CountingLines target;
        ReadRequest r;
        r.Member = &info_.Members.at(0);
        r.Form = ReadForm::Text;
        r.Lines = &target;
        r.Name = "BIG";
        r.Characters = CodePage::Find(page);
        const auto t0 = std::chrono::steady_clock::now();
        auto done = reader.Read(r, progress);
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!done) {
            std::fprintf(stderr, "%s: %s\n", path_.string().c_str(), done.Err().Title.c_str());
            return -1;
        }
        Lines = target.Count;
        Bytes = done->Bytes;
        return took;
    }
    std::size_t Lines = 0;
    std::int64_t Bytes = 0;

  private:
    fs::path path_;
    std::unique_ptr<ByteSource> source_;
    XmitInfo info_;
};
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
    // FB and VB views take turns, so that a busy machine slows both alike;
    // the best of five counts.
    Viewer fbView(fb), vbView(vb);
    double fbTime = 1e9, vbTime = 1e9, vb037 = 1e9;
    for (int run = 0; run < 5; ++run) {
        const double f = fbView.Seconds(), v = vbView.Seconds(), e = vbView.Seconds(37);
        if (f < 0 || v < 0 || e < 0) return 1;
        fbTime = std::min(fbTime, f);
        vbTime = std::min(vbTime, v);
        vb037 = std::min(vb037, e);
    }
    std::printf("text view, FB 80: %.1f MiB of data, %zu lines in %.3f s\n",
                static_cast<double>(fbView.Bytes) / (1 << 20), fbView.Lines, fbTime);
    std::printf("text view, VB:    %.1f MiB of records, %zu lines in %.3f s\n",
                static_cast<double>(vbView.Bytes) / (1 << 20), vbView.Lines, vbTime);
    std::printf("text view, VB through IBM 037: %.3f s\n", vb037);
    const double ratio = vbTime / fbTime;
    std::printf("VB / FB: %.2f (%s 1.5)\n", ratio, ratio <= 1.5 ? "within" : "ABOVE");
    return ratio <= 1.5 ? 0 : 1;
}
