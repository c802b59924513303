#include "extract/TapeFileCopy.h"

#include "extract/OutputFile.h"
#include "io/ReadError.h"
#include "tape/TapeImage.h"

namespace corvane {

namespace {
Error CopyError(const std::string& text) {
    return Error::Plain(Error::Kind::Io, text);
}
}  // namespace

Result<std::int64_t> CopyTapeFile(TapeImage& tape, std::size_t index,
                                  const std::filesystem::path& path) {
    std::unique_ptr<OutputFile> out;
    const std::string shown = PathToUtf8(path);
    switch (OutputFile::Open(path, out)) {
        case OutputFile::OpenResult::CannotCreate:
            return CopyError("Cannot create file " + shown);
        case OutputFile::OpenResult::CannotOpen:
            return CopyError("Cannot open file " + shown);
        case OutputFile::OpenResult::IsFolder:
            return CopyError(shown + " is a folder, not a file to write");
        case OutputFile::OpenResult::Opened:
            break;
    }
    std::int64_t written = 0;
    std::string writeFailure;
    auto copied = tape.CopyFile(index, [&](const std::uint8_t* data, std::size_t n) {
        try {
            out->Write(data, n);
        } catch (const WriteError& e) {
            writeFailure = e.what();
            return false;
        }
        written += static_cast<std::int64_t>(n);
        return true;
    });
    if (!writeFailure.empty()) {
        out->Close(0, false);
        return CopyError(writeFailure);
    }
    if (!copied) {
        out->Close(0, false);
        return copied.Err();
    }
    if (!out->Close(written, true)) return CopyError("Stream write error");
    return written;
}

}  // namespace corvane
