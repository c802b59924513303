#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decode/XmitParser.h"
#include "io/ByteSource.h"
#include "terse/TerseHeader.h"
#include "unload/UnloadLibrary.h"
#include "util/Result.h"

namespace corvane {

// The separator of a nested path: PATH!MEMBER[!MEMBER...] or
// ARCHIVE.zip!ENTRY[!MEMBER...].
inline constexpr char kNestSeparator = '!';
// Names the sequential dataset of a file in a nested path, whatever it is called.
inline constexpr const char* kDatasetPart = "*";

class TapeImage;
class ZipReader;

// What an opened node is.
enum class NodeKind {
    Xmit,     // a transmission
    Unload,   // a raw IEBCOPY unload: a library
    Tape,     // a tape image: its files are its children, Info is empty
    Zip,      // a zip archive: its entries are its children, Info is empty
    Dataset,  // the data of a tape file or of a TERSE file that holds nothing known
};

// A transmission, or another container, opened by its path and read.
struct OpenedXmit {
    // The node's bytes as Info indexes them (for an unload or a dataset, its
    // records framed as a transmission); owns the outer ones.
    std::unique_ptr<ByteSource> Source;
    XmitInfo Info;
    std::string Path;  // the path as given (UTF-8)
    std::string Name;  // the innermost node's own name: its member, entry, tape file or file name
    // Opened from inside a file (a member, a zip entry, a tape file), not the file itself.
    bool Nested = false;
    NodeKind Kind = NodeKind::Xmit;
    // The tape of a tape node, or the tape whose file TapeFile is.
    std::shared_ptr<TapeImage> Tape;
    std::optional<std::size_t> TapeFile;  // the node is (or is held by) this file of Tape, from 0
    std::optional<TerseHeader> Terse;     // the node's data was unpacked from a TERSE file
    std::optional<UnloadFacts> Unload;    // the node is a raw IEBCOPY unload
    std::shared_ptr<ZipReader> Zip;       // the archive of a zip node
};

// Opens a file, or a container inside one: each part after a "!" names a
// child of what the path has reached so far: a member (or, for a sequential
// dataset, the dataset: its name or "*"), a zip entry as stored (folders
// included), or a tape file by its place on the tape (from 1) or its dataset
// name. What each child is comes from its content: an XMIT file, an IEBCOPY
// unload, a tape image, a zip archive, or a TERSE file, which is unpacked on
// the way. A path that is a file is taken whole even if it holds "!".
// options and headerDump apply to the innermost file's parse.
Result<OpenedXmit> OpenXmitPath(const std::string& path, const ParseOptions& options = {},
                                std::vector<std::string>* headerDump = nullptr);

// The same walk from bytes already open: source is the outermost file, called
// name in messages, and steps are the parts below it.
Result<OpenedXmit> OpenNodeFrom(std::unique_ptr<ByteSource> source, const std::string& name,
                                const std::vector<std::string>& steps,
                                const ParseOptions& options = {},
                                std::vector<std::string>* headerDump = nullptr);

// A path cut into its file and the parts inside it; one part when the path
// names no transmission inside a file (then it may name no file at all).
std::vector<std::string> SplitXmitPath(const std::string& path);

// A name as a step of a path: as lists show it, with the separator written
// "%21", so that any name can be reached.
std::string PathStep(const std::string& name);

// The path of a transmission inside an opened one: its member, or its
// sequential dataset when member is null.
std::string NestedPath(const std::string& path, const XmitInfo& info, const MemberEntry* member);
// The path of a file of a tape: its place, from 1.
std::string TapeFilePath(const std::string& path, std::size_t index);

}  // namespace corvane
