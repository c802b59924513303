#pragma once

#include <string>
#include <vector>

#include "present/Presenter.h"
#include "tape/TapeInfo.h"

namespace corvane {
struct TerseHeader;
struct UnloadFacts;
struct ZipRow;
struct ZipDirEntry;
}  // namespace corvane

// The texts shown for the containers around a dataset: tapes, their files,
// TERSE files, raw unloads and zip archives.
namespace corvane::present {

// A tape's files as the member list shows them.
std::vector<Column> TapeColumns();
// One tape file's row; content is "xmit", "unload", "terse" or empty.
std::vector<std::string> TapeFileCells(const TapeFileInfo& file, const std::string& content);
// A zip archive's entries as the member list shows them.
std::vector<Column> ZipEntryColumns();
// One entry's row; content as for a tape file.
std::vector<std::string> ZipEntryCells(const ZipDirEntry& entry, const std::string& content);
// "zip archive, 3 entries".
std::string ZipSummary(std::size_t entries);
// "SL" or "NL"; "IBM standard labels" or "No labels".
std::string LabelCode(const TapeInfo& tape);
std::string LabelText(const TapeInfo& tape);
// "AWS" or "HET".
std::string TapeFormat(const TapeInfo& tape);
// "TERSE PACK, FB 80".
std::string TerseText(const TerseHeader& header);
// "IEBCOPY unload, blocks with BDW and SDW" or "... records with RDW".
std::string UnloadText(const UnloadFacts& facts);
// A zip archive's list: its headings, and an entry's cells under them, the
// names escaped as lists show them and the folders written with this
// system's separator.
std::vector<std::string> ZipHeadings();
std::vector<std::string> ZipCells(const ZipRow& row);

}  // namespace corvane::present
