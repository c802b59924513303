#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ports/LineTarget.h"
#include "ports/Progress.h"

// Implementations of the ports that keep what they are given in memory, for
// the tests, the benchmarks and the fuzz targets.
namespace corvane {

class MemoryLines : public LineTarget {
  public:
    explicit MemoryLines(std::size_t capacity = static_cast<std::size_t>(-1))
        : capacity_(capacity) {}
    bool AppendLine(std::string_view line) override {
        if (Lines.size() >= capacity_) return false;
        Lines.emplace_back(line);
        return true;
    }
    std::vector<std::string> Lines;

  private:
    std::size_t capacity_;
};

// Keeps only the count and the bytes of the lines; refuses lines past the
// capacity, as a full viewer does.
class CountingLines : public LineTarget {
  public:
    explicit CountingLines(std::size_t capacity = static_cast<std::size_t>(-1))
        : capacity_(capacity) {}
    bool AppendLine(std::string_view line) override {
        if (Count >= capacity_) return false;
        ++Count;
        Bytes += line.size();
        return true;
    }
    std::size_t Count = 0;
    std::size_t Bytes = 0;

  private:
    std::size_t capacity_;
};

class MemoryProgress : public Progress {
  public:
    void SetMaximum(std::int64_t value) override { Maximum = value; }
    void SetMinimum(std::int64_t value) override { Minimum = value; }
    void SetPosition(std::int64_t value) override { Position = value; }
    void ProcessEvents() override {
        ++EventPumps;
        if (CancelAfterPumps > 0 && EventPumps >= CancelAfterPumps) IsCancelled = true;
    }
    bool Cancelled() const override { return IsCancelled; }
    std::int64_t Maximum = 100, Minimum = 0, Position = 0;
    std::size_t EventPumps = 0;
    std::size_t CancelAfterPumps = 0;  // 0: never cancel by itself
    bool IsCancelled = false;
};

}  // namespace corvane
