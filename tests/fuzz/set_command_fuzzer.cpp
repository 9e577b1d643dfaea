// Set over any label on a desktop that answers from the input, then up to
// three resumes, some of them while a message box is open.
#include "core/form1_logic.h"
#include "tests/fuzz/fuzz.h"

using namespace vorundel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider input(data, size);
  FuzzPlatform p(input);
  p.label1 = p.Text();
  p.wildcards = input.ConsumeBool();
  vorundel::Form1Logic logic(p);
  p.duringMessage = [&] { logic.SysInfo1_PowerResume(); };
  logic.cmdSet_Click();

  // One message per Set; only OK to the confirmation arms.
  FUZZ_CHECK(p.styles.size() == 1 && p.shellPaths.empty() && !p.unloads);
  const bool confirmation = p.styles[0] == 0x41;
  const bool armed = p.windowState == 1;
  FUZZ_CHECK(confirmation || p.styles[0] == 0x10);
  FUZZ_CHECK(armed == (confirmation && p.answers[0] == 1));
  // Only an existing file, the target of a shortcut too, with no wildcard
  // where the desktop has them, and only when resume can be detected.
  const auto target = p.targets.find(p.label1);
  const auto nameStart = p.label1.starts_with(u"\\\\?\\") ? 4 : 0;
  FUZZ_CHECK(!confirmation ||
             (p.files.count(p.label1) && p.resumeReceivable &&
              (target == p.targets.end() || p.files.count(target->second)) &&
              (!p.wildcards || p.label1.find_first_of(u"*?", nameStart) ==
                                   std::u16string::npos)));

  // At most one launch, only armed, of exactly Label1's text; then the end.
  const int resumes = input.ConsumeIntegralInRange(0, 3);
  for (int i = 0; i < resumes; ++i) {
    logic.SysInfo1_PowerResume();
  }
  const bool launched = armed && resumes > 0;
  FUZZ_CHECK(p.shellPaths == (launched ? std::vector{p.label1}
                                       : std::vector<std::u16string>{}));
  FUZZ_CHECK(p.unloads == launched);
  // A failure message only when the shell refused, and it arms nothing more.
  FUZZ_CHECK(p.styles.size() == 1u + (launched && p.shellResult <= 32));
  return 0;
}
