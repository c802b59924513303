#pragma once

#include <string>
#include <vector>

#include "decode/XmitInfo.h"
#include "present/Presenter.h"

namespace corvane::present {

// The facts of an opened file as the information tabs of the windows and
// corvane-cli info both show them: tab by tab, each row's caption and its
// value, values that come from the file escaped as lists show names.
struct InfoRow {
    std::string Caption;
    std::string Value;
};
struct InfoTab {
    std::string Name;
    std::vector<InfoRow> Rows;
};

// fileName: the name shown for the file (its path inside the file, for a
// node within one).
std::vector<InfoTab> InfoTabs(const XmitInfo& info, const std::string& fileName, DateOrder order);

}  // namespace corvane::present
