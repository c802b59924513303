#pragma once

#include <QPlainTextEdit>

#include "ports/LineTarget.h"

namespace corvane::gui {

// Lines at the end of a plain-text control.
class MemoLines : public LineTarget {
  public:
    explicit MemoLines(QPlainTextEdit& memo) : memo_(memo) {}
    bool AppendLine(std::string_view line) override {
        memo_.appendPlainText(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
        return true;
    }

  private:
    QPlainTextEdit& memo_;
};

}  // namespace corvane::gui
