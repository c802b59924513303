#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "ports/ErrorReport.h"

namespace corvane {

// Stands between a command over many items and the error window: the first
// failure of each kind (its first line) is shown whole, later ones only
// counted, so that a damaged file with thousands of unreadable members gives
// one report and one summary line per kind instead of thousands of reports.
class SummarizingErrorReport : public ErrorReport {
  public:
    explicit SummarizingErrorReport(ErrorReport& target) : target_(target) {}
    void Show(const ErrorReportData& report) override {
        auto [it, added] = counts_.try_emplace(report.Title, 0);
        if (added) order_.push_back(report.Title);
        if (++it->second == 1) target_.Show(report);
    }
    // "N failed: <first line>" for every kind, in the order first met.
    std::vector<std::string> Summary() const {
        std::vector<std::string> lines;
        for (const std::string& title : order_)
            lines.push_back(std::to_string(counts_.at(title)) + " failed: " + title);
        return lines;
    }

  private:
    ErrorReport& target_;
    std::map<std::string, std::size_t> counts_;
    std::vector<std::string> order_;
};

}  // namespace corvane
