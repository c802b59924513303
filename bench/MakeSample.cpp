// Writes a small demonstration XMIT file: a partitioned dataset of a few
// JCL and text members with ISPF statistics.
#include <iostream>

#include "XmitBuilder.h"

using namespace corvane::testing;

namespace {
Bytes Cards(const std::vector<std::string>& lines) {
    std::string text;
    for (std::string line : lines) {
        line.resize(80, ' ');
        text += line;
    }
    return ToEbcdic(text);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: corvane-make-sample FILE\n";
        return 2;
    }
    PdsSpec plan;
    plan.Qualifiers = {"CORVANE", "DEMO", "JCL"};
    plan.Blksize = 3120;
    plan.MessageLines = {"Sample library written by corvane-make-sample."};
    plan.Members = {
        {"$README", Cards({"THIS LIBRARY HOLDS A FEW SAMPLE MEMBERS.", "VIEW THEM, EXTRACT THEM."}),
         false, "", IspfStats(1, 3, 1, 26, 342, 9, 15, "CORVANE")},
        {"ASMHELLO",
         Cards({"//ASMHELLO JOB (ACCT),'HELLO',CLASS=A,MSGCLASS=X", "//STEP1    EXEC ASMACLG",
                "//SYSIN    DD *", "HELLO    CSECT", "         BR    14", "         END   HELLO",
                "/*"}),
         false, "", IspfStats(2, 1, 1, 25, 45, 14, 2, "CORVANE")},
        {"IEFBR14",
         Cards({"//IEFBR14  JOB (ACCT),'NOTHING',CLASS=A", "//STEP1    EXEC PGM=IEFBR14"}), false,
         "", IspfStats(1, 0, 0, 98, 1, 0, 0, "OLDTIMER")},
        {"BR14", {}, true, "IEFBR14", {}},
    };
    WriteFile(argv[1], BuildPds(plan));
    return 0;
}
