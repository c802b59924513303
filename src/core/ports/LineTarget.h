#pragma once

#include <string_view>

namespace corvane {

// A multi-line text control that takes lines at its end (UTF-8).
class LineTarget {
  public:
    virtual ~LineTarget() = default;
    // Returns false when the control refuses the line (it is full).
    virtual bool AppendLine(std::string_view line) = 0;
};

}  // namespace corvane
