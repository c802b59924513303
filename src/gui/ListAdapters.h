#pragma once

#include <QPlainTextEdit>
#include <QTreeWidget>

#include "ports/LineTarget.h"
#include "ports/MemberListTarget.h"

namespace corvane::gui {

inline constexpr int kTtrRole = Qt::UserRole;

// The member list port on a report-style tree widget.
class TreeMemberList : public MemberListTarget {
public:
    explicit TreeMemberList(QTreeWidget& tree) : tree_(tree) {}
    void AddColumn(const std::string& caption, int width, ColumnAlign align) override;
    void AddRow(MemberRow row) override;

private:
    QTreeWidget& tree_;
    std::vector<Qt::Alignment> aligns_;
};

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
