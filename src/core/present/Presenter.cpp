#include "present/Presenter.h"

#include <algorithm>
#include <cstdio>

#include "decode/S390format.h"
#include "io/OutputName.h"

namespace corvane::present {

namespace {
std::string Two(int v) {
    char s[8];
    std::snprintf(s, sizeof s, "%02d", v % 100);
    return s;
}
std::string Four(int v) {
    char s[8];
    std::snprintf(s, sizeof s, "%04d", v % 10000);
    return s;
}
}  // namespace

std::string DateText(const CalendarDate& d, DateOrder order) {
    switch (order) {
        case DateOrder::MonthFirst:
            return Two(d.Month) + "/" + Two(d.Day) + "/" + Four(d.Year);
        case DateOrder::DayFirst:
            return Two(d.Day) + "/" + Two(d.Month) + "/" + Four(d.Year);
        case DateOrder::Iso:
            break;
    }
    return IsoDate(d);
}

std::string DateTimeText(const DateTime& t, DateOrder order) {
    if (order == DateOrder::Iso) return IsoDate(t.Date) + " " + Two(t.Hour) + ":" + Two(t.Minute);
    return DateText(t.Date, order) + "  " + Two(t.Hour) + ":" + Two(t.Minute);
}

std::string IsoDate(const CalendarDate& d) {
    return Four(d.Year) + "-" + Two(d.Month) + "-" + Two(d.Day);
}

std::string IsoDateTime(const DateTime& t) {
    return IsoDate(t.Date) + "T" + Two(t.Hour) + ":" + Two(t.Minute) + ":" + Two(t.Second);
}

std::string CreatedText(const TransferHeader& transfer, DateOrder order) {
    if (order == DateOrder::Iso) {
        return transfer.Created
                   ? IsoDate(transfer.Created->Date) + " " + Two(transfer.Created->Hour) + ":" +
                         Two(transfer.Created->Minute)
                   : std::string();
    }
    char raw[kDateTextSize] = {};
    char text[kDateTextSize] = {};
    FillDateTemplate(raw, 17);
    FillDateTemplate(text, 17);
    if (transfer.Timestamp.empty()) return std::string();
    const std::size_t n = transfer.Timestamp.size() < 17 ? transfer.Timestamp.size() : 17;
    transfer.Timestamp.copy(raw, n);
    ReorderDateText(raw, text, 12, order == DateOrder::MonthFirst ? 0 : 1);
    return Latin1ToUtf8(text);
}

std::string RecfmText(const RecordFormat& recfm) {
    if (recfm.Kind == '\0') return std::string();
    std::string s(1, recfm.Kind);
    if (recfm.Blocked) s += 'B';
    return s;
}

std::string AddressingMode(const LoadModuleAttributes& a) {
    const int mode = a.ModeFlags & 0x03;
    return mode <= 1 ? "24" : mode == 2 ? "31" : "ANY";
}

std::string ResidenceMode(const LoadModuleAttributes& a) {
    return (a.ModeFlags & 0x10) ? "ANY" : "24";
}

std::vector<std::string> AttributeNames(const LoadModuleAttributes& a) {
    const std::uint8_t f = a.AttributeFlags;
    std::vector<std::string> names;
    if (!(f & 0x02)) names.push_back("NX");
    if (f & 0x04) names.push_back("SC");
    if (f & 0x08) names.push_back("OL");
    if (f & 0x10) names.push_back("TS");
    if (f & 0x20) names.push_back("OV");
    if (f & 0x40) names.push_back("RU");
    if (f & 0x80) names.push_back("RN");
    return names;
}

std::string TypeText(const DatasetInfo& dataset) {
    switch (dataset.Organization) {
        case DatasetOrganization::Sequential:
            return "SEQ";
        case DatasetOrganization::Partitioned:
            return "PDS";
        case DatasetOrganization::PartitionedExtended:
            return "PDSE";
        case DatasetOrganization::Vsam:
            return "VSAM";
        case DatasetOrganization::Unknown:
            break;
    }
    return std::string();
}

std::string OrganizationCode(const DatasetInfo& dataset) {
    return TypeText(dataset);
}

std::vector<Column> MemberColumns(bool ispfDirectory) {
    if (ispfDirectory) {
        return {{"Member", 80},    {"Alias?", 80},  {"Created", 70},
                {"Modified", 105}, {"User ID", 70}, {"Version", 50},
                {"Size", 50},      {"Init", 50},    {"Mod", 50}};
    }
    return {{"Member", 80}, {"Alias of", 80}, {"Size", 60}, {"Entry pt", 60},
            {"Amode", 50},  {"Rmode", 50},    {"AC", 30},   {"Attributes", 150, true}};
}

std::string CountSortKey(const std::string& cell) {
    if (cell.empty()) return cell;
    return std::string(20 - std::min<std::size_t>(20, cell.size()), '0') + cell;
}

std::optional<std::string> MemberSortKey(const MemberEntry& m, const std::string& caption) {
    if (caption == "Member") return DisplayName(m.Name);
    if (!m.Ispf) return std::nullopt;
    const IspfStatistics& s = *m.Ispf;
    auto number = [](std::uint64_t v) { return CountSortKey(std::to_string(v)); };
    if (caption == "Created") return s.Created ? IsoDate(*s.Created) : std::string();
    if (caption == "Modified") return s.Modified ? IsoDateTime(*s.Modified) : std::string();
    if (caption == "Version") return number(s.Version) + number(s.Modification);
    if (caption == "Size") return number(s.Lines);
    if (caption == "Init") return number(s.InitialLines);
    if (caption == "Mod") return number(s.ModifiedLines);
    return std::nullopt;
}

std::vector<std::string> MemberCells(const MemberEntry& m, bool ispfDirectory, DateOrder order) {
    std::vector<std::string> cells{m.Name};
    if (ispfDirectory) {
        cells.push_back(m.Alias ? "Alias" : " ");
        if (m.Ispf) {
            const IspfStatistics& s = *m.Ispf;
            cells.push_back(s.Created ? DateText(*s.Created, order) : " ");
            cells.push_back(s.Modified ? DateTimeText(*s.Modified, order) : " ");
            cells.push_back(s.User);
            cells.push_back(std::to_string(s.Version) + "-" + std::to_string(s.Modification));
            cells.push_back(std::to_string(s.Lines));
            cells.push_back(std::to_string(s.InitialLines));
            cells.push_back(std::to_string(s.ModifiedLines));
        }
    } else if (m.LoadModule) {
        const LoadModuleAttributes& a = *m.LoadModule;
        cells.push_back(m.Alias ? m.AliasOf : " ");
        cells.push_back(Hex(a.Size, 6));
        cells.push_back(Hex(a.EntryPoint, 6));
        cells.push_back(AddressingMode(a));
        cells.push_back(ResidenceMode(a));
        cells.push_back(std::to_string(a.AuthorizationCode));
        std::string attributes;
        for (const std::string& name : AttributeNames(a)) attributes += name + " ";
        cells.push_back(attributes);
    }
    return cells;
}

std::string Hex(std::uint32_t value, int digits) {
    char s[16];
    std::snprintf(s, sizeof s, "%0*X", digits, value);
    return s;
}

std::string TrimmedName(const std::string& name) {
    const std::size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

ErrorReportData ErrorReportFor(const Error& e) {
    ErrorReportData report;
    report.Caption = e.Caption;
    report.Title = e.Title;
    report.Reason = e.Reason;
    if (e.RangeStart >= 0) {
        report.Details = {"member " + e.Reason + " offsets into file:",
                          "Start   = " + std::to_string(e.RangeStart),
                          "End       = " + std::to_string(e.RangeEnd),
                          "Current   = " + std::to_string(e.Offset),
                          "File size = " + std::to_string(e.FileSize)};
        return report;
    }
    report.Details = {
        e.What == Error::Kind::Unsupported ? e.Detail : e.Message,
        "",
        "Information obtained at the point of error:",
        "Current xmit record length is " +
            std::to_string(e.SegmentLength < 0 ? 0 : e.SegmentLength) + " bytes",
        "Current xmit record type is x" +
            Hex(static_cast<std::uint32_t>(e.SegmentFlags < 0 ? 0 : e.SegmentFlags), 2),
        "Current file offset is " + std::to_string(e.Offset < 0 ? 0 : e.Offset),
        " Xmit File size is " + std::to_string(e.FileSize < 0 ? 0 : e.FileSize),
        "\nUse the Debug option to provide a  format dump of the xmit file for further diagnosis.",
    };
    return report;
}

std::string NoticeText(const DecodeNotice& notice) {
    if (notice.Count <= 1) return notice.Text;
    return notice.Text + " (" + std::to_string(notice.Count) + " times)";
}

std::string ProcessedText(std::size_t count) {
    return std::to_string(count) + " Processed.";
}

std::string SelectedText(std::size_t count) {
    return std::to_string(count) + " Selected.";
}

}  // namespace corvane::present
