// ProgramFromCommandLine over any command line (the input, as UTF-16 units).
#include "core/command_line.h"
#include "tests/fuzz/fuzz.h"

using vorundel::ProgramFromCommandLine;
using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::u16string line =
      Units({reinterpret_cast<const char*>(data), size});
  const std::u16string program = ProgramFromCommandLine(line);
  const bool quoted = line.starts_with(u'"');
  const bool hasExe =
      AsciiUpperCase(line).find(u".EXE") != std::u16string::npos;
  // A piece of the line where the program starts, never with its quotes.
  MUST(line.compare(quoted ? 1 : 0, program.size(), program) == 0);
  MUST(!quoted || program.find(u'"') == std::u16string::npos);
  // Unquoted, it runs through the first ".exe", else to the first blank.
  if (!quoted) {
    MUST(AsciiUpperCase(program).find(u".EXE") ==
         (hasExe ? program.size() - 4 : std::u16string::npos));
    MUST(hasExe || program.find_first_of(u" \t") == std::u16string::npos);
    MUST(ProgramFromCommandLine(program) == program);
  }
  // Empty only when there is nothing to take.
  MUST(!program.empty() || line.empty() || line == u"\"" ||
       line.starts_with(u"\"\"") ||
       (!hasExe && (line[0] == u' ' || line[0] == u'\t')));
  // Case changes only the case of the result; quoting it changes nothing.
  MUST(ProgramFromCommandLine(AsciiUpperCase(line)) == AsciiUpperCase(program));
  MUST(program.find(u'"') != std::u16string::npos ||
       ProgramFromCommandLine(u"\"" + program + u"\" %1") == program);
  return 0;
}
