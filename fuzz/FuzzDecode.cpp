// Decodes arbitrary bytes as an XMIT file (read from memory), then reads
// every member (or the sequential dataset) as text, as hex and into a binary
// file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Scratch.h"
#include "decode/Decode.h"
#include "extract/Extractdata.h"
#include "ports/MemoryPorts.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<unsigned char> bytes(data, data + size);
    auto stream = FileReader::FromBytes(bytes);
    TXmitDecoder decoder;
    MemoryMemberList list;
    MemoryLines memo;
    MemoryNotifier notifier;
    MemoryErrorReport errors;
    MemoryViewerFactory viewers;
    DecodePorts ports{notifier, errors, &viewers};
    int rc;
    try {
        rc = decoder.DecodeXmit(*stream, list, 1, 1, memo, ports);
    } catch (const ReadError&) {
        return 0;
    }
    if (rc != 0) return 0;
    auto x = MemberExtractor::Create(decoder, FileReader::FromBytes(bytes), notifier, errors);
    if (!x) return 0;
    MemoryProgress progress;
    const std::string out = (ScratchDir() / "out.bin").string();
    for (int mode = 0; mode < 3; ++mode) {
        x->TextMode = mode == 0 && decoder.Lrecl > 0 && decoder.Lrecl < 65536;
        if (mode == 0 && !x->TextMode) continue;
        MemoryViewer viewer("M", 20000);
        Viewer* v = mode == 2 ? nullptr : &viewer;
        const std::string path = mode == 2 ? out : std::string();
        if (decoder.IsPds) {
            for (const MemberRow& row : list.Rows) x->ReadMember(progress, row.Ttr.Get(), path, v);
        } else {
            x->ReadRange(progress, decoder.ContentStart, path, v, stream->Size());
        }
        x->FinishCommand();
    }
    return 0;
}
