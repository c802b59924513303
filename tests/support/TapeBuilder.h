#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "XmitBuilder.h"

// Writes AWS and HET tape images for tests, benchmarks and fuzz seeds:
// blocks cut into chunks of any size, each block stored plain or compressed
// with zlib or bzip2, tapemarks, and IBM standard labels around datasets.
namespace corvane::testing {

enum class TapePacking { None, Zlib, Bzip2 };

// False in a build without the bzip2 library: bzip2 blocks are then written
// plain.
bool TapeBuilderHasBzip2();

struct TapeOptions {
    TapePacking Packing = TapePacking::None;  // of every block; None: an AWS image
    std::size_t ChunkSize = 65535;            // data bytes per chunk at most
    // As HET writers do, a block is kept compressed only when that makes it
    // smaller; true keeps it compressed whatever the sizes.
    bool AlwaysCompress = false;
};

// The chunk layer: writes headers whose previous-length fields follow the
// chain.
class TapeWriter {
  public:
    explicit TapeWriter(ByteOut& out, TapeOptions options = {}) : out_(out), options_(options) {}
    void Block(const Bytes& data) { Block(data, options_.Packing); }
    void Block(const Bytes& data, TapePacking packing);
    // A block of bytes stored as given, with these compression bits.
    void Stored(const Bytes& stored, std::uint8_t compressionBits);
    void Tapemark();
    // One chunk exactly as given, previous-length field included.
    void Chunk(std::uint16_t length, std::uint16_t previous, std::uint8_t flags1, const Bytes& data,
               std::uint8_t flags2 = 0);
    std::uint16_t Previous() const { return previous_; }

  private:
    ByteOut& out_;
    TapeOptions options_;
    std::uint16_t previous_ = 0;
};

// The bytes a block is stored as: compressed, or plain when compression
// does not pay (or the build lacks it). *packing tells which.
Bytes PackBlock(const Bytes& data, TapePacking wanted, bool always, TapePacking* packing);

struct TapeDataset {
    std::string Dsn;
    std::string Recfm = "FB";  // F, FB, V, VB, VS, VBS, U
    std::uint32_t Lrecl = 80, Blksize = 3200;
    std::vector<Bytes> Blocks;
    std::string JobStep = "CORVANE /STEP1   ";
    std::string Created = " 24100";  // cyyddd
    std::optional<std::uint64_t> Eof1Blocks =
        std::nullopt;  // the EOF1 block count; the real one when none
    std::uint32_t VolumeSequence = 1;
    bool ContinuesOnNextVolume = false;  // ends with EOV1/EOV2
};

// 80-byte EBCDIC labels.
Bytes Vol1Label(const std::string& volser, const std::string& owner = "CORVANE");
// HDR1, EOF1 or EOV1 of the dataset with file sequence number seq.
Bytes Label1(const std::string& id, const TapeDataset& ds, const std::string& volser,
             std::uint32_t seq, std::uint64_t blocks);
// HDR2, EOF2 or EOV2 of the dataset.
Bytes Label2(const std::string& id, const TapeDataset& ds);

// VOL1, then for every dataset HDR1 HDR2 TM data TM EOF1 EOF2 TM, then one
// more tapemark. firstSequence numbers the datasets.
void WriteLabelledTape(TapeWriter& w, const std::string& volser,
                       const std::vector<TapeDataset>& datasets, std::uint32_t firstSequence = 1);
Bytes LabelledTape(const std::string& volser, const std::vector<TapeDataset>& datasets,
                   const TapeOptions& options = {});
// Every file's blocks and a tapemark, then one more tapemark.
Bytes UnlabelledTape(const std::vector<std::vector<Bytes>>& files, const TapeOptions& options = {});

// n bytes of EBCDIC card images with a random byte here and there: data that
// compresses about 2:1. seed varies it.
Bytes CardData(std::size_t n, std::uint32_t seed);

}  // namespace corvane::testing
