#include <gtest/gtest.h>

#include "search/NameFilter.h"

using namespace corvane;

TEST(NameFilter, WildcardsCaseAndPlainText) {
    struct Case {
        const char* Filter;
        const char* Name;
        bool Matches;
    };
    const Case cases[] = {
        {"", "ANY", true},
        {"iefbr*", "IEFBR14", true},
        {"IEF*", "XIEFBR14", false},  // with a wildcard the whole name counts
        {"br1", "IEFBR14", true},     // without one, a part of it
        {"?EFBR14", "IEFBR14", true},
        {"?EFBR14", "EFBR14", false},  // '?' is exactly one character
        {"?BC",
         "\xC3\x84"
         "BC",
         true},  // one character of two bytes
        {"\xC3\xA4*",
         "\xC3\x84"
         "BC",
         true},  // Latin-1 capitals fold
        {"*14", "IEFBR14", true},
        {"*14", "IEFBR141", false},
        {"A*B*C", "AXXBYYBZC", true},  // backtracking past a first "B"
        {"A*B*C", "AXXBYYBZ", false},
        {"**", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Filter) + " / " + c.Name);
        EXPECT_EQ(NameFilter(c.Filter).Matches(c.Name), c.Matches);
    }
}
