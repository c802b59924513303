// Parses arbitrary bytes as an XMIT file from memory, then reads every member
// (or the sequential dataset) as text and as hex.
#include <cstdint>
#include <string>
#include <vector>

#include "MemoryPorts.h"
#include "decode/XmitParser.h"
#include "extract/MemberReader.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemorySource source(std::vector<std::uint8_t>(data, data + size));
    std::vector<std::string> dump;
    auto parsed = ParseXmit(source, ParseOptions{.HeaderDump = true}, &dump);
    if (!parsed) return 0;
    const XmitInfo& info = parsed.Value();
    MemberReader reader(source, info);
    MemoryProgress progress;
    for (ReadForm form : {ReadForm::Text, ReadForm::Hex}) {
        if (form == ReadForm::Text && (info.Dataset.Lrecl == 0 || info.Dataset.Lrecl > 65536)) {
            continue;
        }
        auto read = [&](const MemberEntry* member) {
            MemoryLines lines(20000);
            ReadRequest request;
            request.Member = member;
            request.Form = form;
            request.RecordCut = form == ReadForm::Text ? 72 : -1;
            request.Lines = &lines;
            request.Name = "M";
            reader.Read(request, progress);
        };
        if (info.Partitioned) {
            for (const MemberEntry& m : info.Members) read(&m);
        } else {
            read(nullptr);
        }
    }
    return 0;
}
