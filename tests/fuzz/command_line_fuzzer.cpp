// The program named by an association's command line, over any command
// line: the input is the command line (see DecodeText).
#include <cstddef>
#include <cstdint>

#include "core/command_line.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/reference.h"

using vorundel::IsFileItself;
using vorundel::ProgramFromCommandLine;
using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::u16string line =
      DecodeText({reinterpret_cast<const char*>(data), size});
  const std::u16string program = ProgramFromCommandLine(line);

  FUZZ_CHECK(program == ReferenceProgram(line));
  FUZZ_CHECK(IsFileItself(program) == ReferenceIsFileItself(program));

  // A piece of the command line, taken where it starts: after a leading
  // quote, else at the first character.
  const bool quoted = !line.empty() && line[0] == u'"';
  const std::size_t start = quoted ? 1 : 0;
  FUZZ_CHECK(program.size() + start <= line.size());
  FUZZ_CHECK(line.compare(start, program.size(), program) == 0);

  // A quote never opens the result; after a leading quote none is left.
  FUZZ_CHECK(program.empty() || program[0] != u'"');
  FUZZ_CHECK(!quoted || program.find(u'"') == std::u16string::npos);

  const std::u16string lower = ReferenceLower(line);
  const std::u16string lowerProgram = ReferenceLower(program);
  const auto exe = lowerProgram.find(u".exe");
  if (!quoted) {
    if (lower.find(u".exe") != std::u16string::npos) {
      // Cut right after the first ".exe".
      FUZZ_CHECK(exe != std::u16string::npos && exe + 4 == program.size());
    } else {
      // Cut at the first blank.
      FUZZ_CHECK(program.find_first_of(u" \t") == std::u16string::npos);
      FUZZ_CHECK(program.size() == line.size() ||
                 line[program.size()] == u' ' || line[program.size()] == u'\t');
    }
    // The program of the program is itself.
    FUZZ_CHECK(ProgramFromCommandLine(program) == program);
  } else if (line.find(u'"', 1) == std::u16string::npos) {
    // An unclosed quote: the rest, cut after its first ".exe" if any.
    FUZZ_CHECK(exe == std::u16string::npos ? program.size() + 1 == line.size()
                                           : exe + 4 == program.size());
  } else {
    // Up to the closing quote.
    FUZZ_CHECK(line[program.size() + 1] == u'"');
  }

  // Quoting the program and adding arguments gives the program back.
  if (program.find(u'"') == std::u16string::npos) {
    FUZZ_CHECK(ProgramFromCommandLine(u"\"" + program + u"\" \"%1\"") ==
               program);
  }
  // Case changes nothing but the case of the result.
  FUZZ_CHECK(ProgramFromCommandLine(ReferenceUpper(line)) ==
             ReferenceUpper(program));
  return 0;
}
