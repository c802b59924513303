#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ports/ByteTarget.h"
#include "ports/ErrorReport.h"
#include "ports/LineTarget.h"
#include "ports/MemberListTarget.h"
#include "ports/Notifier.h"
#include "ports/Progress.h"
#include "ports/Viewer.h"

// Implementations of the ports that keep what they are given in memory; used
// by the tests and by the command-line tool.
namespace corvane {

struct MemoryColumn {
    std::string Caption;
    int Width = 0;
    ColumnAlign Align = ColumnAlign::Center;
};

class MemoryMemberList : public MemberListTarget {
  public:
    void AddColumn(const std::string& caption, int width, ColumnAlign align) override {
        Columns.push_back({caption, width, align});
    }
    void AddRow(MemberRow row) override { Rows.push_back(std::move(row)); }
    std::vector<MemoryColumn> Columns;
    std::vector<MemberRow> Rows;
};

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

// Takes every line and keeps only the count and the bytes seen.
class CountingLines : public LineTarget {
  public:
    bool AppendLine(std::string_view line) override {
        ++Count;
        Bytes += line.size();
        return true;
    }
    std::size_t Count = 0;
    std::size_t Bytes = 0;
};

class MemoryBytes : public ByteTarget {
  public:
    void Write(const std::uint8_t* data, std::size_t n) override {
        Data.insert(Data.end(), data, data + n);
    }
    std::vector<std::uint8_t> Data;
};

struct ShownMessage {
    std::string Text;
    std::string Caption;
    MessageIcon Icon;
    MessageButtons Buttons;
};

class MemoryNotifier : public Notifier {
  public:
    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        Messages.push_back({text, caption, icon, buttons});
        return buttons == MessageButtons::YesNo ? Answer : MessageAnswer::Ok;
    }
    std::vector<ShownMessage> Messages;
    MessageAnswer Answer = MessageAnswer::Yes;
};

class MemoryErrorReport : public ErrorReport {
  public:
    void Show(const ErrorReportData& report) override { Reports.push_back(report); }
    std::vector<ErrorReportData> Reports;
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

class MemoryViewer : public Viewer {
  public:
    explicit MemoryViewer(std::string caption = "FrmView",
                          std::size_t capacity = static_cast<std::size_t>(-1))
        : caption_(std::move(caption)), lines_(capacity) {}
    LineTarget& Lines() override { return lines_; }
    std::string Caption() const override { return caption_; }
    void SetStatus(int panel, const std::string& text) override {
        (panel == 0 ? Status0 : Status1) = text;
    }
    void ShowText() override { TextShown = true; }
    void FinishLoading() override {
        TextShown = true;
        Finished = true;
    }
    const std::vector<std::string>& Text() const { return lines_.Lines; }
    std::string Status0 = "Loading...";
    std::string Status1;
    bool TextShown = false;
    bool Finished = false;

  private:
    std::string caption_;
    MemoryLines lines_;
};

class MemoryViewerFactory : public ViewerFactory {
  public:
    Viewer* CreateDumpViewer() override {
        Viewers.push_back(std::make_unique<MemoryViewer>());
        return Viewers.back().get();
    }
    std::vector<std::unique_ptr<MemoryViewer>> Viewers;
};

}  // namespace corvane
