#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "create/CreatePlan.h"
#include "decode/XmitInfo.h"
#include "text/CodePage.h"

// What the front ends turn into a plan: names, addresses, times and the
// message, checked the same way for the windows and the command line.
namespace corvane::create {

DateTime LocalTime(std::time_t t);
// The file's modified time, local.
DateTime FileTime(const std::filesystem::path& path);
// YYYYMMDDHHMMSS, as the transfer header carries the time of sending.
std::string Stamp14(const DateTime& t);
std::string Upper(std::string s);
// Qualifiers of 1 to 8 of A-Z 0-9 @ # $ -, not starting with a digit or
// '-', joined by dots, 44 characters at most.
bool ValidDatasetName(const std::string& name);
// "USER@NODE" into its halves, upper case; false when it is not that.
bool SplitAddress(const std::string& text, std::string& user, std::string& node);
// "F", "FB", "V", "VB" or "U" in any case.
bool ParseFormat(const std::string& text, WriteFormat& format);
// The member name a file's name gives: its "%XX" escapes undone, the
// extension dropped, upper case.
std::string NameFromFile(const std::filesystem::path& file);
// The lines of a UTF-8 text file as 80-byte EBCDIC records; a longer line
// goes on in the next record. False with the problem when it cannot be read.
bool MessageRecords(const std::filesystem::path& path, const CodePage* page,
                    std::vector<std::vector<std::uint8_t>>& out, std::string& problem);

}  // namespace corvane::create
