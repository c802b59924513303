#include "present/InfoTabs.h"

#include "io/OutputName.h"
#include "util/SizeText.h"

namespace corvane::present {

std::vector<InfoTab> InfoTabs(const XmitInfo& x, const std::string& fileName, DateOrder order) {
    const TransferHeader& t = x.Transfer;
    const DatasetInfo& d = x.Dataset;
    return {
        {"xmit file",
         {{"Size:", SizeText(x.FileSize)},
          {"Created:", CreatedText(t, order)},
          {"Content files:", std::to_string(static_cast<std::int32_t>(t.FileCount))},
          {"File name:", DisplayName(fileName)}}},
        {"xmit content",
         {{"Dataset:", DisplayName(d.Name)},
          {"Type:", TypeText(d)},
          {"Members:", std::to_string(x.Members.size())},
          {"Recfm:", RecfmText(d.Recfm)},
          {"lrecl:", std::to_string(d.Lrecl)},
          {"Blksize:", std::to_string(d.Blksize)}}},
        {"transfer info",
         {{"From node:", DisplayName(t.FromNode)},
          {"From User:", DisplayName(t.FromUser)},
          {"To node:", DisplayName(t.ToNode)},
          {"To user:", DisplayName(t.ToUser)}}},
    };
}

}  // namespace corvane::present
