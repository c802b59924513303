#pragma once

#include <memory>

#include "TempDir.h"
#include "XmitBuilder.h"
#include "decode/Decode.h"
#include "ports/MemoryPorts.h"

namespace corvane::testing {

// An XMIT byte stream written to a temporary file and decoded with in-memory
// ports. Result is DecodeXmit's answer; a ReadError is kept in ReadFailure.
struct Decoded {
    explicit Decoded(const Bytes& bytes, std::uint8_t dateOrder = 0, std::uint8_t debug = 0) {
        File = Dir / "test.xmi";
        WriteFile(File, bytes);
        Stream = FileReader::Open(File, nullptr);
        DecodePorts ports{Notify, Errors, &Viewers};
        try {
            Result = Decoder.DecodeXmit(*Stream, List, dateOrder, debug, Memo, ports);
        } catch (const ReadError& e) {
            ReadFailure = e.what();
            Result = -1;
        }
    }
    TempDir Dir;
    std::filesystem::path File;
    std::unique_ptr<FileReader> Stream;
    TXmitDecoder Decoder;
    MemoryMemberList List;
    MemoryLines Memo;
    MemoryNotifier Notify;
    MemoryErrorReport Errors;
    MemoryViewerFactory Viewers;
    int Result = 0;
    std::string ReadFailure;
};

}  // namespace corvane::testing
