#include "TransferCopies.h"

#include <algorithm>

#include "text/CodePage.h"

namespace corvane::testing {

Bytes TextModeCopy(const Bytes& file, int codePage, const std::string& lineEnd, bool strip) {
    const CodePage* page = CodePage::Find(codePage);
    Bytes out;
    for (std::size_t at = 0; at < file.size(); at += 80) {
        Bytes line;
        for (std::size_t i = at; i < std::min(at + 80, file.size()); ++i) {
            line.push_back(static_cast<std::uint8_t>(page->CodePoint(file[i])));
        }
        while (strip && !line.empty() && line.back() == 0x20) line.pop_back();
        out.insert(out.end(), line.begin(), line.end());
        out.insert(out.end(), lineEnd.begin(), lineEnd.end());
    }
    return out;
}

}  // namespace corvane::testing
