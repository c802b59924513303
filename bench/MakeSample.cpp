// Writes a small demonstration XMIT file: a partitioned dataset of a few
// JCL and text members with ISPF statistics. With --awkward-names, a library
// whose member names are reserved device names or hold characters that file
// names on Windows may not have (for comparing the file names extraction
// gives on each platform).
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

int AwkwardNames(const char* file) {
    PdsSpec plan;
    plan.Qualifiers = {"CORVANE", "AWKWARD", "NAMES"};
    const char* names[] = {"CON",  "aux",   "NUL",     "COM1",    "LPT9",     "A<B>C", "D:E",
                           "F\"G", "H/I",   "J\\K",    "L|M",     "N?O",      "P*Q",   "DOT.",
                           "END ", "TAB\t", "\x01CTL", "LOW\x7f", "\xA3SIGN", "CON.X"};
    for (const char* name : names) {
        plan.Members.push_back({name, Cards({std::string("MEMBER ") + name}), false, "",
                                IspfStats(1, 0, 0, 1, 1, 0, 0, "ME")});
    }
    WriteFile(file, BuildPds(plan));
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--awkward-names") return AwkwardNames(argv[2]);
    if (argc != 2) {
        std::cerr << "usage: corvane-make-sample [--awkward-names] FILE\n";
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
