#pragma once

#include <string>
#include <vector>

#include "container/Content.h"
#include "nested/XmitPath.h"
#include "zip/ZipReader.h"

namespace corvane {

// A child of an opened node that can be opened as a node itself: a
// transmission held by a member or by the sequential data, or a file of a
// tape.
struct NodeChild {
    std::string Step;        // what follows the "!" in the path that opens it
    std::string Label;       // how a tree shows it; names escaped as the lists show them
    std::size_t Member = 0;  // its row in the member list (the tape's files included)
    // What it holds, from its first bytes; a tape file of plain data is
    // Unknown and holds no containers.
    Content What = Content::Xmit;
};

// What an entry of an archive holds, from its first bytes; Unknown for a
// folder, an encrypted entry or one that cannot be read.
Content SniffZipEntry(const ZipReader& zip, const ZipDirEntry& entry);

// The step of a path that names an entry of an archive.
std::string ZipEntryStep(const ZipDirEntry& entry);

// The children of a node in the order its list shows them; a library of
// any size is looked through once, from what its parse already found.
std::vector<NodeChild> NodeChildren(const OpenedXmit& node);

}  // namespace corvane
