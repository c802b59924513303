#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "decode/Decode.h"
#include "extract/Dump.h"
#include "extract/OutputFile.h"
#include "io/FileReader.h"
#include "ports/ByteTarget.h"
#include "ports/ErrorReport.h"
#include "ports/Notifier.h"
#include "ports/Progress.h"
#include "ports/Viewer.h"

namespace corvane {

// Reads the data of one member, or of the whole sequential dataset, from the
// XMIT file and hands it record by record to a viewer or an output file.
class MemberExtractor {
  public:
    enum class SinkKind { None, TextView, HexView, TextFile, BinaryFile, Bytes };

    // Opens a stream of its own on the file; on failure shows the message box
    // and returns null.
    static std::unique_ptr<MemberExtractor> Create(const TXmitDecoder& decoder,
                                                   const std::filesystem::path& xmitPath,
                                                   Notifier& notifier, ErrorReport& errors);
    // Reads through the given stream (a file or bytes in memory).
    static std::unique_ptr<MemberExtractor> Create(const TXmitDecoder& decoder,
                                                   std::unique_ptr<FileReader> stream,
                                                   Notifier& notifier, ErrorReport& errors);

    // Both return 0 when the read ran to its end or was cancelled, 1 when it
    // failed (the user has been told).
    int ReadMember(Progress& progress, std::uint32_t ttr, const std::string& outputPath,
                   Viewer* viewer);
    int ReadRange(Progress& progress, std::int64_t start, const std::string& outputPath,
                  Viewer* viewer, std::int64_t end);
    // The same reads with the data bytes going to memory, unchanged.
    int ReadMember(Progress& progress, std::uint32_t ttr, ByteTarget& target);
    int ReadRange(Progress& progress, std::int64_t start, ByteTarget& target, std::int64_t end);
    // Ends a view or extract command: the record cut chosen for the command
    // lapses and the next command cuts at Lrecl again.
    void FinishCommand() { TruncateLength = static_cast<std::int32_t>(Lrecl); }

    std::size_t SliceLength() const { return TextMode ? Lrecl : kBinarySlice; }
    static constexpr std::size_t kBinarySlice = 1024;
    // Far above any real record length (32,760); a larger one is damage.
    static constexpr std::uint32_t kMaxTextRecord = 1u << 20;

    bool MemberMode = false;
    std::vector<std::uint8_t> Buffer;
    std::uint32_t Lrecl = 0;
    std::int64_t ByteCount = 0;
    std::int64_t DumpOffset = 0;
    SinkKind Sink = SinkKind::None;
    Progress* Progress_ = nullptr;
    const MemberPositionMap* MemberPositions = nullptr;
    std::string ErrorText;
    std::unique_ptr<FileReader> DataStream;
    const TXmitDecoder* Decoder = nullptr;
    Viewer* Viewer_ = nullptr;
    std::string ItemName;
    std::unique_ptr<DumpWriter> HexDump;
    std::unique_ptr<OutputFile> Output;
    bool TextMode = false;
    std::int32_t TruncateLength = 0;

  private:
    int FindMember(std::uint32_t ttr, const std::string& name, std::int64_t& start,
                   std::int64_t& end);
    MemberExtractor(const TXmitDecoder& decoder, std::unique_ptr<FileReader> stream,
                    Notifier& notifier, ErrorReport& errors);
    bool ChooseSink(const std::string& outputPath);
    int ReadRecords(std::int64_t end);
    void ShowExtractError(const std::string& name, std::int64_t start, std::int64_t end);
    void FinishViewer();
    // Hands one record of n bytes in Buffer to the sink; false ends the read.
    bool Emit(std::size_t n);
    bool SinkTextView(std::size_t n);
    bool SinkHexView(std::size_t n);
    void SinkTextFile(std::size_t n);
    void SinkBinaryFile(std::size_t n);

    Notifier& notifier_;
    ErrorReport& errors_;
    std::string line_;              // reused by the text view
    ByteTarget* target_ = nullptr;  // the memory sink of the current read
    // Every offset MemberPositions holds that is not 0, ascending: a member's
    // data ends where the next data in the file begins. Made on first use.
    std::vector<std::int64_t> dataStarts_;
};

// The part of a path after its last "\", "/" or ":" (the whole path without).
std::string PathFileName(const std::string& path);

}  // namespace corvane
