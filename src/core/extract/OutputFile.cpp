#include "extract/OutputFile.h"

#include <cstring>

#include "io/Platform.h"
#include "io/ReadError.h"

namespace corvane {

namespace {
constexpr std::size_t kOutputBufferSize = 1 << 20;

std::FILE* CreateFile(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}
}  // namespace

OutputFile::OpenResult OutputFile::Open(const std::filesystem::path& path,
                                        std::unique_ptr<OutputFile>& out) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        // An existing file must be one this program may write, and that no
        // other program holds.
        std::FILE* existing = platform::OpenExclusiveForWriting(path);
        if (!existing) return OpenResult::CannotOpen;
        std::fclose(existing);
    }
    std::filesystem::path temp = path;
    temp += ".corvane-part";
    std::FILE* f = CreateFile(temp);
    if (!f) return OpenResult::CannotCreate;
    out.reset(new OutputFile(f, path, temp));
    return OpenResult::Opened;
}

OutputFile::OutputFile(std::FILE* file, std::filesystem::path target, std::filesystem::path temp)
    : file_(file), target_(std::move(target)), temp_(std::move(temp)), buffer_(kOutputBufferSize) {
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

OutputFile::~OutputFile() {
    if (file_) Close(0, false);
}

void OutputFile::Write(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    if (used_ + n > buffer_.size()) {
        const std::size_t pending = used_;
        used_ = 0;
        if (pending > 0 && std::fwrite(buffer_.data(), 1, pending, file_) != pending) {
            throw WriteError("Stream write error");
        }
        if (n >= buffer_.size()) {
            if (std::fwrite(p, 1, n, file_) != n) throw WriteError("Stream write error");
            return;
        }
    }
    std::memcpy(buffer_.data() + used_, p, n);
    used_ += n;
}

bool OutputFile::Close(std::int64_t length, bool keep) {
    bool ok = true;
    if (used_ > 0) {
        ok = std::fwrite(buffer_.data(), 1, used_, file_) == used_;
        used_ = 0;
    }
    ok = platform::Truncate(file_, length) && ok;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    std::error_code ec;
    if (keep && ok) {
        std::filesystem::rename(temp_, target_, ec);
        if (!ec) return true;
        ok = false;
    }
    std::filesystem::remove(temp_, ec);
    return !keep;
}

}  // namespace corvane
