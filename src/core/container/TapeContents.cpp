#include "container/TapeContents.h"

#include "tape/TapeImage.h"

namespace corvane {

Result<Content> SniffTapeFile(TapeImage& tape, std::size_t index) {
    auto file = tape.OpenFile(index);
    if (!file) return file.Err();
    return SniffSource(*file.Value());
}

}  // namespace corvane
