#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "create/CreatePlan.h"
#include "text/CodePage.h"

namespace corvane::create {

struct EncodeOptions {
    WriteFormat Format;  // its block size already chosen
    // UTF-8 lines through the code page (null: the program's table), or
    // the file's bytes as they stand.
    bool Text = true;
    const CodePage* Characters = nullptr;
    // A line longer than the record length is cut instead of refused.
    bool Truncate = false;
    // Binary data cut into blocks of these lengths (RECFM U from a
    // manifest); used when they add up to the file's size.
    std::vector<std::uint32_t> BlockLengths;
};

// The blocks of a PC file as a dataset of the given format holds them:
// text lines become records (blank-padded for F and FB, with their
// descriptor words for V and VB), binary bytes become records or blocks.
// Variable-length binary data that already is a chain of blocks with their
// descriptor words (as extraction writes it) is taken block by block.
class FileBlocks : public BlockProducer {
  public:
    FileBlocks(std::filesystem::path file, EncodeOptions options);
    void Blocks(const Emit& emit) override;
    std::vector<std::uint32_t> Lengths() override;
    // Records (lines) in the data; known once Lengths has run.
    std::uint32_t Records() const { return records_; }

  private:
    struct Reader;
    void Make(const Emit* emit);
    void Text(Reader& in, const Emit* emit);
    void Binary(Reader& in, std::uint64_t size, const Emit* emit);
    bool VariableChain(Reader& in, std::uint64_t size, const Emit* emit);

    std::filesystem::path file_;
    std::string name_;
    EncodeOptions options_;
    std::optional<std::vector<std::uint32_t>> lengths_;
    std::vector<std::uint32_t> made_;
    std::uint32_t records_ = 0;
};

// Blocks made elsewhere that carry the addresses they had in the library
// they were extracted from.
class RecordedAddresses : public BlockProducer {
  public:
    RecordedAddresses(std::shared_ptr<BlockProducer> blocks, std::vector<std::uint32_t> addresses)
        : blocks_(std::move(blocks)), addresses_(std::move(addresses)) {}
    void Blocks(const Emit& emit) override { blocks_->Blocks(emit); }
    std::vector<std::uint32_t> Lengths() override { return blocks_->Lengths(); }
    std::vector<std::uint32_t> SourceAddresses() override { return addresses_; }

  private:
    std::shared_ptr<BlockProducer> blocks_;
    std::vector<std::uint32_t> addresses_;
};

// Reads every file once, as Lengths() does, on as many threads as the
// machine has cores: what each refused ("" when nothing), in their order.
std::vector<std::string> MeasureAll(const std::vector<std::shared_ptr<FileBlocks>>& files);

// Encodes one UTF-8 line through the code page; false when a character has
// no code there (its position in bad).
bool EncodeLine(std::string_view line, const CodePage* characters, std::vector<std::uint8_t>& out,
                std::size_t& bad);

// Whether text lines (CR LF after each record) made of fixed-length records
// give those records back, byte for byte, when written as text again.
bool FixedTextReadsBack(const std::vector<std::uint8_t>& records, std::string_view text,
                        std::uint32_t lrecl, const CodePage* characters);

}  // namespace corvane::create
