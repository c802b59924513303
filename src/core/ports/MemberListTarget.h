#pragma once

#include <string>
#include <vector>

#include "decode/Ttr.h"

namespace corvane {

enum class ColumnAlign { Left, Center };

// One member-list row: the caption (member name), the sub-items in column
// order and the TTR of its directory entry. Texts are UTF-8.
struct MemberRow {
    std::string Caption;
    std::vector<std::string> SubItems;
    MemberTtr Ttr;
    bool Alias = false;
};

// Where the decoder puts the member list: a report-style list control.
class MemberListTarget {
  public:
    virtual ~MemberListTarget() = default;
    virtual void AddColumn(const std::string& caption, int width, ColumnAlign align) = 0;
    virtual void AddRow(MemberRow row) = 0;
};

}  // namespace corvane
