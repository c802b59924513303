#pragma once

#include <cstdio>
#include <iostream>
#include <string>

#include "ports/ErrorReport.h"
#include "ports/LineTarget.h"
#include "ports/Notifier.h"
#include "ports/Progress.h"
#include "ports/Viewer.h"

namespace corvane::cli {

// Message boxes become lines on standard error; questions are answered Yes.
class ConsoleNotifier : public Notifier {
  public:
    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon,
                       MessageButtons buttons) override {
        std::cerr << caption << ": " << text << "\n";
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
};

// The error window's texts and details on standard error.
class ConsoleErrorReport : public ErrorReport {
  public:
    void Show(const ErrorReportData& report) override {
        std::cerr << report.Caption << "\n" << report.Title << "\n" << report.Reason << "\n";
        for (const std::string& line : report.Details) std::cerr << line << "\n";
    }
};

class StreamLines : public LineTarget {
  public:
    explicit StreamLines(std::FILE* out) : out_(out) {}
    bool AppendLine(std::string_view line) override {
        std::fwrite(line.data(), 1, line.size(), out_);
        std::fputc('\n', out_);
        return true;
    }

  private:
    std::FILE* out_;
};

// A viewer that prints its lines as they come.
class StreamViewer : public Viewer {
  public:
    StreamViewer(std::string caption, std::FILE* out) : caption_(std::move(caption)), lines_(out) {}
    LineTarget& Lines() override { return lines_; }
    std::string Caption() const override { return caption_; }
    void SetStatus(int panel, const std::string& text) override {
        (panel == 0 ? Status0 : Status1) = text;
    }
    void ShowText() override {}
    void FinishLoading() override {}
    std::string Status0, Status1;

  private:
    std::string caption_;
    StreamLines lines_;
};

class NullProgress : public Progress {
  public:
    void SetMaximum(std::int64_t) override {}
    void SetMinimum(std::int64_t) override {}
    void SetPosition(std::int64_t) override {}
    void ProcessEvents() override {}
    bool Cancelled() const override { return false; }
};

}  // namespace corvane::cli
