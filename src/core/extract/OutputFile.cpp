#include "extract/OutputFile.h"

#include <cstring>

#include "io/ReadError.h"

namespace corvane {

namespace {
constexpr std::size_t kOutputBufferSize = 1 << 20;
}  // namespace

OutputFile::OpenResult OutputFile::Open(const std::filesystem::path& path,
                                        std::unique_ptr<OutputFile>& out) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return OpenResult::IsFolder;
    std::unique_ptr<AtomicWriter> writer;
    switch (AtomicWriter::Create(path, AtomicWriteOptions{}, writer)) {
        case AtomicWriter::Status::Ok:
            out.reset(new OutputFile(std::move(writer)));
            return OpenResult::Opened;
        case AtomicWriter::Status::Held:
        case AtomicWriter::Status::IsOpenInput:
        case AtomicWriter::Status::Exists:
            return OpenResult::CannotOpen;
        default:
            return OpenResult::CannotCreate;
    }
}

OutputFile::OutputFile(std::unique_ptr<AtomicWriter> writer)
    : writer_(std::move(writer)), buffer_(kOutputBufferSize) {}

void OutputFile::Write(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    if (used_ + n > buffer_.size()) {
        const std::size_t pending = used_;
        used_ = 0;
        if (pending > 0 && !writer_->Write(buffer_.data(), pending)) {
            throw WriteError("Stream write error");
        }
        if (n >= buffer_.size()) {
            if (!writer_->Write(p, n)) throw WriteError("Stream write error");
            return;
        }
    }
    std::memcpy(buffer_.data() + used_, p, n);
    used_ += n;
}

bool OutputFile::Close(std::int64_t length, bool keep) {
    if (!keep) {
        used_ = 0;
        writer_->Discard();
        return true;
    }
    bool ok = used_ == 0 || writer_->Write(buffer_.data(), used_);
    used_ = 0;
    ok = ok && writer_->SetLength(length);
    if (!ok) {
        writer_->Discard();
        return false;
    }
    return writer_->Commit() == AtomicWriter::Status::Ok;
}

}  // namespace corvane
