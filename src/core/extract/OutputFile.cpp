#include "extract/OutputFile.h"

#include <cstring>

#include "io/Platform.h"
#include "io/ReadError.h"

namespace corvane {

namespace {
constexpr std::size_t kOutputBufferSize = 1 << 20;
}

OutputFile::OpenResult OutputFile::Open(const std::filesystem::path& path,
                                        std::unique_ptr<OutputFile>& out) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
#ifdef _WIN32
        std::FILE* created = _wfopen(path.c_str(), L"wb");
#else
        std::FILE* created = std::fopen(path.c_str(), "wb");
#endif
        if (!created) return OpenResult::CannotCreate;
        std::fclose(created);
    }
    std::FILE* f = platform::OpenExclusiveForWriting(path);
    if (!f) return OpenResult::CannotOpen;
    out.reset(new OutputFile(f));
    return OpenResult::Opened;
}

OutputFile::OutputFile(std::FILE* file) : file_(file), buffer_(kOutputBufferSize) {
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

OutputFile::~OutputFile() {
    if (file_) std::fclose(file_);
}

void OutputFile::Write(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    if (used_ + n > buffer_.size()) {
        std::size_t pending = used_;
        if (pending > 0 && std::fwrite(buffer_.data(), 1, pending, file_) != pending) {
            used_ = 0;
            throw WriteError("Stream write error");
        }
        used_ = 0;
        if (n >= buffer_.size()) {
            if (std::fwrite(p, 1, n, file_) != n) throw WriteError("Stream write error");
            return;
        }
    }
    std::memcpy(buffer_.data() + used_, p, n);
    used_ += n;
}

bool OutputFile::Close(std::int64_t length) {
    bool ok = true;
    if (used_ > 0) {
        ok = std::fwrite(buffer_.data(), 1, used_, file_) == used_;
        used_ = 0;
    }
    ok = platform::Truncate(file_, length) && ok;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}

}  // namespace corvane
