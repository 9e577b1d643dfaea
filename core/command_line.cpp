#include "core/command_line.h"

#include "core/ascii_case.h"

namespace vorundel {
namespace {

constexpr std::u16string_view kExe = u".exe";

// The text through its first ".exe", or nothing when there is none.
std::u16string_view ThroughFirstExe(std::u16string_view text) {
  const auto at = FindIgnoringAsciiCase(text, kExe);
  return at == std::u16string_view::npos ? std::u16string_view{}
                                         : text.substr(0, at + kExe.size());
}

}  // namespace

std::u16string ProgramFromCommandLine(std::u16string_view commandLine) {
  if (!commandLine.empty() && commandLine.front() == u'"') {
    const auto rest = commandLine.substr(1);
    const auto closing = rest.find(u'"');
    if (closing != std::u16string_view::npos) {
      return std::u16string(rest.substr(0, closing));
    }
    const auto exe = ThroughFirstExe(rest);
    return std::u16string(exe.empty() ? rest : exe);
  }
  if (const auto exe = ThroughFirstExe(commandLine); !exe.empty()) {
    return std::u16string(exe);
  }
  return std::u16string(
      commandLine.substr(0, commandLine.find_first_of(u" \t")));
}

bool IsFileItself(std::u16string_view program) {
  return EqualsIgnoringAsciiCase(program, u"%1") ||
         EqualsIgnoringAsciiCase(program, u"%L");
}

}  // namespace vorundel
