// Parses arbitrary bytes as an XMIT file from memory, then reads its members
// (or the sequential dataset). The input's last byte says how, so that every
// way a member is read is reached without doing them all on every input:
//   bits 0-1  text, hex, binary into memory, or where the binary bytes lie
//             (and, for a member that holds a transmission, that one parsed)
//   bit 2     keep the header dump
//   bit 3     cut text records at 72 characters (else keep control characters)
//   bits 4-7  the code page: 0 the program's table, else one of the IBM pages
// The rest is the file.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MemoryPorts.h"
#include "decode/XmitParser.h"
#include "extract/MemberReader.h"
#include "nested/MemberDataSource.h"
#include "text/CodePage.h"

using namespace corvane;

namespace {
// The data of this many members is read: later ones take the same paths, and
// reading every entry of a directory of hundreds made each input ten times
// slower. An alias whose data is the entry's before it is not read again.
constexpr std::size_t kMembersRead = 16;

const CodePage* PageOf(unsigned choice) {
    static const std::vector<int> numbers = CodePage::Numbers();
    if (choice == 0) return nullptr;
    return CodePage::Find(numbers[choice % numbers.size()]);
}

// Parses the transmission a member holds, as a nested window opens it.
void ParseNested(const std::uint8_t* data, std::size_t size, const XmitInfo& outer,
                 const MemberEntry& member) {
    auto copy = std::make_unique<MemorySource>(std::vector<std::uint8_t>(data, data + size));
    auto inner = MemberDataSource::Open(std::move(copy), outer, &member, "M");
    if (!inner) return;
    auto parsed = ParseXmit(*inner.Value());
    if (!parsed || !parsed.Value().Partitioned || parsed.Value().Members.empty()) return;
    MemberReader reader(*inner.Value(), parsed.Value());
    MemoryProgress progress;
    std::vector<std::uint8_t> bytes;
    ReadRequest request;
    request.Member = &parsed.Value().Members.front();
    request.Bytes = &bytes;
    reader.Read(request, progress);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned how = data[--size];
    const unsigned form = how & 3;
    const CodePage* page = PageOf(how >> 4);
    MemorySource source(std::vector<std::uint8_t>(data, data + size));
    std::vector<std::string> dump;
    auto parsed =
        ParseXmit(source, ParseOptions{.HeaderDump = (how & 4) != 0, .Characters = page}, &dump);
    if (!parsed) return 0;
    const XmitInfo& info = parsed.Value();
    if (form == 0 && (info.Dataset.Lrecl == 0 || info.Dataset.Lrecl > 65536)) return 0;
    MemberReader reader(source, info);
    MemoryProgress progress;
    auto read = [&](const MemberEntry* member) {
        CountingLines lines(20000);
        std::vector<std::uint8_t> bytes;
        std::vector<DataPiece> pieces;
        ReadRequest request;
        request.Member = member;
        request.Form = form == 0 ? ReadForm::Text : form == 1 ? ReadForm::Hex : ReadForm::Binary;
        request.RecordCut = (how & 8) ? 72 : -1;
        request.KeepControls = (how & 8) == 0;
        request.Characters = page;
        request.Name = "M";
        if (form < 2) request.Lines = &lines;
        if (form == 2) request.Bytes = &bytes;
        if (form == 3) request.Pieces = &pieces;
        reader.Read(request, progress);
        if (form == 3 && member && member->HoldsXmit) ParseNested(data, size, info, *member);
    };
    if (!info.Partitioned) {
        read(nullptr);
        return 0;
    }
    std::size_t reads = 0;
    const MemberEntry* last = nullptr;
    for (const MemberEntry& m : info.Members) {
        if (last && m.DataStart == last->DataStart && m.DataEnd == last->DataEnd) continue;
        if (++reads > kMembersRead) break;
        read(&m);
        last = &m;
    }
    return 0;
}
