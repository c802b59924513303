#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvane::create {

// The record format of a written dataset.
struct WriteFormat {
    char Kind = 'F';  // 'F', 'V' or 'U'
    bool Blocked = true;
    std::uint32_t Lrecl = 80;
    std::uint32_t Blksize = 0;  // 0: chosen as the system would
    // The dataset control block's RECFM byte (X'80' F, X'40' V, X'C0' U,
    // X'10' blocked).
    std::uint8_t RecfmByte() const;
};

// Thrown by what makes blocks when its input cannot become the dataset: the
// text says which file and why.
struct InputRefused {
    std::string Text;
};

// The blocks of one member (or of a sequential dataset), made on demand: a
// library is written in two passes, the first of which only needs the
// lengths to place the blocks on the disk before the directory is written.
class BlockProducer {
  public:
    virtual ~BlockProducer() = default;
    using Emit = std::function<void(const std::uint8_t* data, std::size_t n)>;
    // Every block in order.
    virtual void Blocks(const Emit& emit) = 0;
    // The blocks' lengths; by default found by making them.
    virtual std::vector<std::uint32_t> Lengths();
    // Where each block was in the library it comes from (TTR), to carry
    // the addresses in the user data over; empty when it comes from none.
    virtual std::vector<std::uint32_t> SourceAddresses() { return {}; }
};

// One directory entry and the data behind it.
struct MemberPlan {
    std::string Name;  // the member name as text; encoded through NameBytes when set
    std::vector<std::uint8_t> NameBytes;  // the 8 EBCDIC bytes, when given as they stand
    bool Alias = false;
    std::string AliasOf;  // an alias: the member whose data it shares
    // The directory user data as it stands (at most 62 bytes, even length),
    // and how many of its first words are addresses (TTRs) to carry over.
    std::vector<std::uint8_t> UserData;
    int UserAddresses = 0;
    std::shared_ptr<BlockProducer> Data;  // null for an alias
};

struct TransmissionPlan {
    std::string FromNode = "CORVANE";
    std::string FromUser = "CORVANE";
    std::string ToNode = "CORVANE";
    std::string ToUser = "CORVANE";
    std::string Timestamp;  // YYYYMMDDHHMMSS
    // The message sent first: its records, EBCDIC, 80 bytes each.
    std::vector<std::vector<std::uint8_t>> Message;
};

struct LibraryPlan {
    TransmissionPlan Transmission;
    std::string DatasetName;
    WriteFormat Format;
    std::uint32_t DirectoryBlocks = 0;  // 0: whole tracks for the entries
    std::vector<MemberPlan> Members;    // any order; written in EBCDIC name order
};

struct SequentialPlan {
    TransmissionPlan Transmission;
    std::string DatasetName;
    WriteFormat Format;
    std::shared_ptr<BlockProducer> Data;
};

}  // namespace corvane::create
