// Extension and ProgramFromCommandLine over any text (the input, as UTF-16
// units), a file name and a command line alike.
#include "core/command_line.h"
#include "core/extension.h"
#include "tests/fuzz/fuzz.h"

using namespace vorundel;
using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::u16string text =
      Units({reinterpret_cast<const char*>(data), size});
  const std::u16string upper = AsciiUpper(text);
  constexpr auto npos = std::u16string::npos;

  // The extension: upper-case text after a dot, with no dot or separator of
  // its own; empty only when the last component has no dot with text after it.
  const std::u16string ext = Extension(text);
  const auto last = text.find_last_of(u".\\/");
  MUST(AsciiUpper(ext) == ext && ext.find_first_of(u".\\/") == npos);
  MUST(ext.empty() || upper.ends_with(u"." + ext));
  MUST(!ext.empty() || last == npos || text[last] != u'.' ||
       last + 1 == text.size());

  // The program: a piece of the line where the program starts, never with
  // its quotes.
  const std::u16string program = ProgramFromCommandLine(text);
  const bool quoted = text.starts_with(u'"');
  const bool hasExe = upper.find(u".EXE") != npos;
  MUST(text.compare(quoted ? 1 : 0, program.size(), program) == 0);
  MUST(!quoted || program.find(u'"') == npos);
  // Unquoted, it runs through the first ".exe", else to the first blank.
  if (!quoted) {
    MUST(AsciiUpper(program).find(u".EXE") ==
         (hasExe ? program.size() - 4 : npos));
    MUST(hasExe || program.find_first_of(u" \t") == npos);
    MUST(ProgramFromCommandLine(program) == program);
  }
  // Empty only when there is nothing to take.
  MUST(!program.empty() || text.empty() || text == u"\"" ||
       text.starts_with(u"\"\"") ||
       (!hasExe && (text[0] == u' ' || text[0] == u'\t')));
  // Case changes only the case of the result; quoting it changes nothing.
  MUST(ProgramFromCommandLine(upper) == AsciiUpper(program));
  MUST(program.find(u'"') != npos ||
       ProgramFromCommandLine(u"\"" + program + u"\" %1") == program);
  return 0;
}
