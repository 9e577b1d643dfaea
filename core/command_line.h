#pragma once

#include <string>
#include <string_view>

namespace vorundel {

// The program an association's command line starts: the quoted first token
// up to its closing quote; otherwise the text through the first ".exe" (any
// case); otherwise the text up to the first blank. A quote that never
// closes gives the rest, cut after ".exe" when there is one.
std::u16string ProgramFromCommandLine(std::u16string_view commandLine);

// Whether the program is the file itself ("%1" or "%L", as for batch files).
bool IsFileItself(std::u16string_view program);

}  // namespace vorundel
