#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "extract/OutputFile.h"
#include "ports/LineTarget.h"
#include "text/CodePage.h"

namespace corvane {

// Where the records of one read go.
class Sink {
  public:
    virtual ~Sink() = default;
    // Takes one record (or slice) of n bytes; the buffer has 2 bytes spare
    // behind them. False ends the read.
    virtual bool Take(std::uint8_t* data, std::size_t n) = 0;
    std::int64_t Bytes = 0;
};

// Text lines for a viewer: control characters made visible, or kept as
// they are (a console that passes the characters on).
class TextLinesSink : public Sink {
  public:
    TextLinesSink(LineTarget& lines, std::size_t cut, const CodePage& characters, bool keepControls)
        : lines_(lines), cut_(cut), characters_(characters), keepControls_(keepControls) {}
    bool Take(std::uint8_t* data, std::size_t n) override;

  private:
    LineTarget& lines_;
    std::size_t cut_;
    const CodePage& characters_;
    bool keepControls_;
    std::string line_;
};

// Hex-dump blocks for a viewer, titled with the item's name.
class HexLinesSink : public Sink {
  public:
    HexLinesSink(LineTarget& lines, std::string title, const CodePage& characters)
        : lines_(lines), title_(std::move(title)), characters_(characters) {}
    bool Take(std::uint8_t* data, std::size_t n) override;

  private:
    LineTarget& lines_;
    std::string title_;
    const CodePage& characters_;
    std::int64_t offset_ = 0;
};

// Where the bytes of a file-like read go: an output file or memory.
class ByteOut {
  public:
    explicit ByteOut(OutputFile& file) : file_(&file) {}
    explicit ByteOut(std::vector<std::uint8_t>& memory) : memory_(&memory) {}
    void Write(const std::uint8_t* data, std::size_t n) {
        if (file_) {
            file_->Write(data, n);
        } else {
            memory_->insert(memory_->end(), data, data + n);
        }
    }

  private:
    OutputFile* file_ = nullptr;
    std::vector<std::uint8_t>* memory_ = nullptr;
};

// Text: translated records, each ended with CR LF; the program's table
// writes its single bytes, an IBM code page UTF-8.
class TextFileSink : public Sink {
  public:
    TextFileSink(ByteOut out, std::size_t cut, const CodePage& characters)
        : out_(out), cut_(cut), characters_(characters) {}
    bool Take(std::uint8_t* data, std::size_t n) override;

  private:
    ByteOut out_;
    std::size_t cut_;
    const CodePage& characters_;
    std::string line_;
};

// Binary: the bytes unchanged.
class BinaryFileSink : public Sink {
  public:
    explicit BinaryFileSink(ByteOut out) : out_(out) {}
    bool Take(std::uint8_t* data, std::size_t n) override;

  private:
    ByteOut out_;
};

}  // namespace corvane
