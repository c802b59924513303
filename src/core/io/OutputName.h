#pragma once

#include <set>
#include <string>
#include <string_view>

namespace corvane {

// The file name that output made from a name in a file gets (a member name,
// a dataset name, a zip entry's name): the name without its trailing blank
// padding, then the extension, with everything that cannot stand in a file
// name on Windows or Linux written as a visible escape "%XX" (one per byte of
// the character's UTF-8 form): path separators, control characters, NUL,
// < > : " | ? *, and '%' itself; a name that is only "." or "..", a final
// dot or blank, and a device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, with
// or without an extension) get an escaped character too, and an empty name
// becomes "%20". Distinct names give distinct results, and the result never
// leaves the folder it is joined to. The same on every platform.
std::string OutputName(std::string_view name, std::string_view extension = {});

// A name as lists and messages show it: control characters, bytes that are
// not UTF-8 and '%' written as "%XX", the same escapes output names use.
std::string DisplayName(std::string_view name);
// A name as the user typed it from a list: every "%XX" (two hex digits) is
// the byte it stands for, so a name holding '!', a control character or
// broken UTF-8 can be given on a command line ("%21" for '!').
std::string FromDisplayName(std::string_view typed);
// Free text (a message, a record, an error) as a terminal shows it: the same
// escapes for control characters and broken UTF-8, '%' left as it is, so no
// byte from a file can move the cursor, retitle the window or end a line.
std::string VisibleText(std::string_view text);
// The same for the program's own texts of several lines (error reports):
// line ends stay, every other control character is escaped.
std::string VisibleLines(std::string_view text);

// Hands out the output names of one command, which all go to one folder: a
// name that another item of the command already took (also when they differ
// only in case, as they would collide on Windows) gets "~2", "~3", ... before
// its extension.
class OutputNameSet {
  public:
    std::string Take(std::string_view name, std::string_view extension = {});

  private:
    std::set<std::string> taken_;  // case-folded
};

}  // namespace corvane
