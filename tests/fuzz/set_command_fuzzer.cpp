// Set over any label on a desktop that answers from the input (registry,
// file attributes, shortcuts, answers), then up to three resumes, some of
// them while a message box is open.
#include "core/command_line.h"
#include "core/extension.h"
#include "core/form1_logic.h"
#include "tests/fuzz/fuzz.h"

using namespace vorundel;
using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider input(data, size);
  FuzzPlatform p(input);
  p.label1 = p.ReadText();
  p.wildcards = input.ConsumeBool();
  Form1Logic logic(p);
  p.eventInABox = [&] { logic.SysInfo1_PowerResume(); };
  logic.cmdSet_Click();

  // One message per Set; only OK to the confirmation arms.
  MUST(p.calls.size() == 1);
  const bool confirmation = p.calls[0].starts_with(u"message 0x41 ");
  const bool armed = p.windowState == 1;
  MUST(confirmation || p.calls[0].starts_with(u"message 0x10 "));
  MUST(armed == (confirmation && p.button == 1));
  // Only an existing file, the target of a shortcut too, with no wildcard
  // where the desktop has them, and only when resume can be detected.
  const auto file = [&](const Text& path) {
    return p.attributes.contains(path) && !(p.attributes[path] & 0x10);
  };
  const auto target = p.shortcuts.find(p.label1);
  const auto nameStart = p.label1.starts_with(u"\\\\?\\") ? 4 : 0;
  MUST(!confirmation || (file(p.label1) && p.resumeReceivable));
  MUST(!confirmation || target == p.shortcuts.end() || file(target->second));
  MUST(!confirmation || !p.wildcards ||
       p.label1.find_first_of(u"*?", nameStart) == std::u16string::npos);
  // The classes asked: the extension's key, lower case with one dot, then
  // the open command of the class its value names (one key open at a time,
  // all closed: the fake's own checks). A value read is cut at its first
  // NUL; one never read, missing or unreadable throws, which ends the run.
  const Text subject = target != p.shortcuts.end() ? target->second : p.label1;
  const auto read = [&](std::size_t i) {
    const Text& value = p.registry.at(p.keys.at(i)).value();
    return value.substr(0, value.find(u'\0'));
  };
  MUST(p.keys.size() <= 2);
  MUST(p.keys.empty() || p.keys[0] == AsciiLower(u"." + Extension(subject)));
  MUST(p.keys.size() < 2 || p.keys[1] == read(0) + u"\\shell\\open\\command");
  // The confirmation names the file itself or the program of the command
  // read.
  if (confirmation) {
    const Text& shown = p.calls[0];
    const auto from = shown.find(u"\r\n\r\n") + 4;
    const Text named = shown.substr(from, shown.rfind(u"\r\n\r\n") - from);
    MUST(named == subject || named == ProgramFromCommandLine(read(1)));
  }

  // At most one launch, only armed, of exactly Label1's text; a failure
  // message only when the shell refused; then the end.
  const int resumes = input.ConsumeIntegralInRange(0, 3);
  for (int i = 0; i < resumes; ++i) {
    logic.SysInfo1_PowerResume();
  }
  const bool launched = armed && resumes > 0;
  const bool failed = launched && p.shellResult <= 32;
  MUST(p.calls.size() == 1u + 2 * launched + failed);
  MUST(!launched ||
       (p.calls[1] == u"shell " + p.label1 && p.calls.back() == u"unload"));
  MUST(!failed || p.calls[2] == u"message 0x30 失敗しました");
  return 0;
}
