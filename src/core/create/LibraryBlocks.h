#pragma once

#include <optional>
#include <string>
#include <vector>

#include "create/CreatePlan.h"
#include "decode/XmitInfo.h"
#include "extract/MemberReader.h"
#include "io/ByteSource.h"

namespace corvane::create {

// The blocks of a member of an open library, read from its file as they
// stand: the first pass notes only where they are, the second reads them.
class LibraryBlocks : public BlockProducer {
  public:
    LibraryBlocks(MemberReader& reader, const MemberEntry& member);
    void Blocks(const Emit& emit) override;
    std::vector<std::uint32_t> Lengths() override;
    std::vector<std::uint32_t> SourceAddresses() override;

  private:
    std::vector<BlockMark> Read(std::vector<std::uint8_t>* data) const;
    void Mark();
    MemberReader& reader_;
    const MemberEntry& member_;
    std::optional<std::vector<BlockMark>> marks_;
};

// A plan that writes the library (or the members chosen, with the aliases
// of those) again: the same names, directory entries and data, laid out
// afresh. A PDSE becomes a PDS.
LibraryPlan PlanFromLibrary(MemberReader& reader, const XmitInfo& info,
                            const std::vector<const MemberEntry*>& chosen);

// The TTR of each block of a member, counted from the member's own: the
// track goes up by one wherever the cylinder or head changes.
std::vector<std::uint32_t> BlockAddresses(std::uint32_t memberTtr,
                                          const std::vector<BlockMark>& blocks);

// Reading the library's format back into the writer's terms.
WriteFormat FormatOf(const DatasetInfo& dataset);

}  // namespace corvane::create
