#pragma once

#include <optional>
#include <string>
#include <vector>

#include "decode/XmitInfo.h"
#include "util/Result.h"

namespace corvane {

// What the error window shows: its caption, the first and second error
// lines and the lines of its fold-out details.
struct ErrorReportData {
    std::string Caption;
    std::string Title;
    std::string Reason;
    std::vector<std::string> Details;
};

}  // namespace corvane

// The texts that the windows and the command-line tool show for a parsed
// file: captions, columns, dates and sizes, in one wording.
namespace corvane::present {

enum class DateOrder { MonthFirst, DayFirst, Iso };
// The order of the stored option (day first, or month first).
constexpr DateOrder DateOrderOf(bool dayFirst) {
    return dayFirst ? DateOrder::DayFirst : DateOrder::MonthFirst;
}

// "MM/DD/YYYY", "DD/MM/YYYY" or "YYYY-MM-DD".
std::string DateText(const CalendarDate& date, DateOrder order);
// The date, two blanks and "HH:MM" ("YYYY-MM-DD HH:MM" in ISO order).
std::string DateTimeText(const DateTime& time, DateOrder order);
// ISO 8601 for machines: "YYYY-MM-DD" and "YYYY-MM-DDTHH:MM:SS".
std::string IsoDate(const CalendarDate& date);
std::string IsoDateTime(const DateTime& time);

// The origin timestamp as the info tab shows it: the first 12 characters
// sent, placed into the date-and-time layout of the chosen order.
std::string CreatedText(const TransferHeader& transfer, DateOrder order);

// "F", "V", "U" or "?", with "B" behind when blocked; empty when none was sent.
std::string RecfmText(const RecordFormat& recfm);
// Addressing mode "24", "31" or "ANY"; residence mode "24" or "ANY".
std::string AddressingMode(const LoadModuleAttributes& a);
std::string ResidenceMode(const LoadModuleAttributes& a);
// "NX", "SC", "OL", "TS", "OV", "RU", "RN" in that order, as they apply.
std::vector<std::string> AttributeNames(const LoadModuleAttributes& a);

// "PDS", "PDSE", "SEQ", "VSAM" or empty, as the dataset's type is shown.
std::string TypeText(const DatasetInfo& dataset);
// The same for machines (empty when unknown).
std::string OrganizationCode(const DatasetInfo& dataset);

struct Column {
    std::string Caption;
    int Width = 0;  // pixels at the standard font
    bool LeftAligned = false;
};
// The member list's columns: ISPF statistics or load-module attributes.
std::vector<Column> MemberColumns(bool ispfDirectory);
// The texts of one member's row, the name first, in column order; a row may
// have fewer cells than there are columns.
std::vector<std::string> MemberCells(const MemberEntry& member, bool ispfDirectory,
                                     DateOrder order);

// How a member sorts in the list's column of that caption where its value,
// not its text, decides: the name, dates, versions and counts. None where
// the cell's text is the key.
std::optional<std::string> MemberSortKey(const MemberEntry& member, const std::string& caption);
// A cell that holds a count, as a key that sorts by its number.
std::string CountSortKey(const std::string& cell);

// Upper-case hexadecimal digits, zero-filled to the width.
std::string Hex(std::uint32_t value, int digits);
// The member name without its blank padding.
std::string TrimmedName(const std::string& name);

// "N Processed." after members were written; "N Selected." for the list.
std::string ProcessedText(std::size_t count);
std::string SelectedText(std::size_t count);

// A notice of the parser as one line ("TEXT", or "TEXT (N times)").
std::string NoticeText(const DecodeNotice& notice);

// What the error window shows for a failure.
ErrorReportData ErrorReportFor(const Error& error);

}  // namespace corvane::present
