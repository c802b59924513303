#include "create/Dasd3390.h"

namespace corvane::create {

namespace {
std::uint32_t Cells(std::uint32_t n) {
    return 9 + (n + 6 * ((n + 6 + 231) / 232) + 6 + 33) / 34;
}
}  // namespace

std::uint32_t BlockCells(std::uint32_t keyLength, std::uint32_t dataLength) {
    return 10 + Cells(dataLength) + (keyLength == 0 ? 0 : Cells(keyLength));
}

std::uint32_t TrackPlacer::Place(std::uint32_t keyLength, std::uint32_t dataLength) {
    const std::uint32_t c = BlockCells(keyLength, dataLength);
    if (cells_ + c > kTrackCells || record_ == 255) {
        ++track_;
        cells_ = 0;
        record_ = 0;
    }
    cells_ += c;
    ++record_;
    return track_ << 8 | record_;
}

}  // namespace corvane::create
