#pragma once

#include <cstdint>

namespace corvane {

// The TTR (relative track in the upper 16 bits, record number in the low 8)
// of a directory entry, carried by every member-list row.
class MemberTtr {
  public:
    MemberTtr() = default;
    explicit MemberTtr(std::uint32_t ttr) : value_(ttr) {}
    void Set(std::uint32_t ttr) { value_ = ttr; }
    std::uint32_t Get() const { return value_; }

  private:
    std::uint32_t value_ = 0;
};

}  // namespace corvane
