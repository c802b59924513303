#include "present/ContainerText.h"

#include <algorithm>

#include "io/OutputName.h"
#include "terse/TerseHeader.h"
#include "unload/UnloadLibrary.h"
#include "zip/ZipIntake.h"
#include "zip/ZipReader.h"

namespace corvane::present {

std::vector<Column> TapeColumns() {
    return {{"File", 50, true},    {"Seq", 50, false},   {"Dataset", 160, true},
            {"Recfm", 50, true},   {"Lrecl", 60, false}, {"Blksize", 60, false},
            {"Blocks", 70, false}, {"Bytes", 90, false}, {"Content", 70, true}};
}

std::vector<std::string> TapeFileCells(const TapeFileInfo& file, const std::string& content) {
    return {std::to_string(file.Number),
            file.Sequence ? std::to_string(*file.Sequence) : std::string(),
            file.Dsn,
            file.Recfm,
            std::to_string(file.Lrecl),
            std::to_string(file.Blksize),
            std::to_string(file.Blocks),
            file.Bytes >= 0 ? std::to_string(file.Bytes) : std::string(),
            content};
}

std::vector<Column> ZipEntryColumns() {
    return {
        {"Entry", 200, true}, {"Size", 90, false}, {"Packed", 90, false}, {"Content", 70, true}};
}

std::vector<std::string> ZipEntryCells(const ZipDirEntry& entry, const std::string& content) {
    return {EntryPathName(entry.FileName), std::to_string(entry.UncompressedSize),
            std::to_string(entry.CompressedSize), content};
}

std::string ZipSummary(std::size_t entries) {
    return "zip archive, " + std::to_string(entries) + (entries == 1 ? " entry" : " entries");
}

std::string LabelCode(const TapeInfo& tape) {
    return tape.Labelled ? "SL" : "NL";
}

std::string LabelText(const TapeInfo& tape) {
    return tape.Labelled ? "IBM standard labels" : "No labels";
}

std::string TapeFormat(const TapeInfo& tape) {
    return tape.Het ? "HET" : "AWS";
}

std::string TerseText(const TerseHeader& header) {
    return "TERSE " + header.FormatName() + ", " + (header.Variable ? "VB " : "FB ") +
           std::to_string(header.Lrecl());
}

std::string UnloadText(const UnloadFacts& facts) {
    return std::string("IEBCOPY unload, ") +
           (facts.Blocks ? "blocks with BDW and SDW" : "records with RDW");
}

std::vector<std::string> ZipHeadings() {
    return {"File Name", "UnZip'd Size", "Directory Structure"};
}

std::vector<std::string> ZipCells(const ZipRow& row) {
    std::string folder = DisplayName(row.Folder);
#ifndef _WIN32
    std::replace(folder.begin(), folder.end(), '\\', '/');
#endif
    return {DisplayName(row.FileName), row.SizeText, folder};
}

}  // namespace corvane::present
