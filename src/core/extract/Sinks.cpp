#include "extract/Sinks.h"

#include "decode/S390format.h"
#include "text/HexDump.h"

namespace corvane {

namespace {
constexpr std::int64_t kHexBlock = 1024;
}

bool TextLinesSink::Take(std::uint8_t* data, std::size_t n) {
    Bytes += static_cast<std::int64_t>(n);
    if (n > cut_) n = cut_;
    line_.clear();
    if (keepControls_) {
        characters_.AppendUtf8(data, n, line_);
    } else {
        characters_.AppendVisible(data, n, line_);
    }
    lines_.AppendLine(line_);  // a refused line is dropped
    return true;
}

bool HexLinesSink::Take(std::uint8_t* data, std::size_t n) {
    Bytes += static_cast<std::int64_t>(n);
    const bool ok = AppendHexDump(
        data, n, offset_, title_, [this](std::string_view line) { return lines_.AppendLine(line); },
        &characters_);
    offset_ += kHexBlock;
    return ok;
}

bool TextFileSink::Take(std::uint8_t* data, std::size_t n) {
    if (n > cut_) n = cut_;
    if (characters_.Unicode()) {
        line_.clear();
        characters_.AppendText(data, n, line_);
        line_.append("\r\n");
        out_.Write(reinterpret_cast<const std::uint8_t*>(line_.data()), line_.size());
        Bytes += static_cast<std::int64_t>(line_.size());
        return true;
    }
    EbcdicInPlace(data, n);
    data[n] = 0x0D;
    data[n + 1] = 0x0A;
    out_.Write(data, n + 2);
    Bytes += static_cast<std::int64_t>(n) + 2;
    return true;
}

bool BinaryFileSink::Take(std::uint8_t* data, std::size_t n) {
    out_.Write(data, n);
    Bytes += static_cast<std::int64_t>(n);
    return true;
}

}  // namespace corvane
