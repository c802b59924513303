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

#include "extract/Extractdata.h"

namespace corvane::testing {

// The same, read from memory: the bytes are decoded and every member (or the
// sequential dataset) can be read into memory, with no file involved.
struct InMemory {
    explicit InMemory(const Bytes& bytes) {
        Stream = FileReader::FromBytes(bytes);
        DecodePorts ports{Notify, Errors, nullptr};
        try {
            Result = Decoder.DecodeXmit(*Stream, List, 0, 0, Memo, ports);
        } catch (const ReadError& e) {
            ReadFailure = e.what();
            Result = -1;
        }
        if (Result == 0) {
            Reader = MemberExtractor::Create(Decoder, FileReader::FromBytes(bytes), Notify, Errors);
        }
    }
    // The data bytes of a member-list row, or of the sequential dataset when
    // row is npos; result is the reader's answer.
    Bytes Read(std::size_t row, int* result = nullptr) {
        MemoryBytes out;
        MemoryProgress progress;
        const int r = row == static_cast<std::size_t>(-1)
                          ? Reader->ReadRange(progress, Decoder.ContentStart, out, Stream->Size())
                          : Reader->ReadMember(progress, List.Rows.at(row).Ttr.Get(), out);
        if (result) *result = r;
        return out.Data;
    }
    std::unique_ptr<FileReader> Stream;
    TXmitDecoder Decoder;
    MemoryMemberList List;
    MemoryLines Memo;
    MemoryNotifier Notify;
    MemoryErrorReport Errors;
    std::unique_ptr<MemberExtractor> Reader;
    int Result = 0;
    std::string ReadFailure;
};

}  // namespace corvane::testing
