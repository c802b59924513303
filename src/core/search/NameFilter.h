#pragma once

#include <string>
#include <string_view>

namespace corvane {

// A filter on member names as the user types it: '*' stands for any run of
// characters, '?' for one character; letters match in either case. A filter
// without wildcards matches the names that contain it; an empty one, all.
class NameFilter {
  public:
    explicit NameFilter(std::string_view filter = {});
    bool Matches(std::string_view name) const;
    bool Empty() const { return pattern_.empty(); }

  private:
    std::string pattern_;  // folded, with the '*'s a plain filter implies
};

// Text with ASCII and Latin-1 capitals (UTF-8) made small.
std::string FoldCase(std::string_view text);

}  // namespace corvane
