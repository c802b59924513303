#pragma once

#include <cstdio>
#include <string_view>

#include "ports/LineTarget.h"
#include "ports/Progress.h"

namespace corvane::cli {

// Lines written to a stream as they come.
class StreamLines : public LineTarget {
  public:
    explicit StreamLines(std::FILE* out) : out_(out) {}
    bool AppendLine(std::string_view line) override {
        if (!line.empty()) std::fwrite(line.data(), 1, line.size(), out_);
        std::fputc('\n', out_);
        return true;
    }

  private:
    std::FILE* out_;
};

}  // namespace corvane::cli
