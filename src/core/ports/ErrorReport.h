#pragma once

#include <string>
#include <vector>

namespace corvane {

// What the error window shows: its caption, the first and second error
// lines and the lines of its fold-out details.
struct ErrorReportData {
    std::string Caption;
    std::string Title;
    std::string Reason;
    std::vector<std::string> Details;
};

class ErrorReport {
  public:
    virtual ~ErrorReport() = default;
    virtual void Show(const ErrorReportData& report) = 0;
};

}  // namespace corvane
