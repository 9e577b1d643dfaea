// The Set command over any file name, with scripted answers, followed by
// up to three resumes. Input: the name (text field); a flags byte (bit 0
// wildcards are special, bit 1 resumes can be received, bit 2 the name has
// attributes); the attributes (4 bytes); the answer to every message box
// (signed byte); the number of resumes (low 2 bits) and the shell's result
// (byte); then the registry (see ReadRegistry).
#include <cstddef>
#include <cstdint>

#include "core/form1_logic.h"
#include "core/texts.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_platform.h"
#include "tests/fuzz/reference.h"
#include "tests/fuzz/registry_input.h"

using namespace vorundel;
using namespace vorundel::fuzz;

namespace {

bool IsOnly(const FuzzPlatform& platform,
            std::u16string_view text,
            std::uint32_t style) {
  return platform.messages.size() == 1 && platform.messages[0].text == text &&
         platform.messages[0].style == style;
}

std::u16string Prompt(std::u16string_view named, std::u16string_view tail) {
  std::u16string prompt(kPromptHead);
  prompt.append(u"\r\n\r\n").append(named).append(u"\r\n\r\n").append(tail);
  return prompt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzInput input(data, size);
  FuzzPlatform platform;
  platform.label1 = input.TextField();
  const std::u16string& name = platform.label1;
  const std::uint8_t flags = input.Byte();
  platform.wildcards = flags & 1;
  platform.resumeReceivable = flags & 2;
  const std::uint32_t attributes = input.Word32();
  if (flags & 4) {
    platform.attributes[name] = attributes;
  }
  platform.answer = static_cast<std::int8_t>(input.Byte());
  const int resumes = input.Byte() & 3;
  platform.shellResult = input.Byte();
  const std::u16string ext = ReferenceExtension(name);
  platform.registry = ReadRegistry(input, ext);

  Form1Logic logic(platform);
  logic.cmdSet_Click();

  // One message box per Set, always with the title; never a launch and
  // never an unload from Set.
  FUZZ_CHECK(platform.messages.size() == 1);
  FUZZ_CHECK(platform.messages[0].caption == kAppTitle);
  FUZZ_CHECK(platform.shellCalls.empty());
  FUZZ_CHECK(platform.unloads == 0);
  FUZZ_CHECK(platform.openKeys == 0);
  FUZZ_CHECK(platform.closedKeys == platform.reads);

  // The "?" of a leading long-path prefix is no wildcard.
  const std::size_t nameStart = name.starts_with(u"\\\\?\\") ? 4 : 0;
  const bool wildcard =
      platform.wildcards &&
      name.find_first_of(u"*?", nameStart) != std::u16string::npos;
  const bool exists = !name.empty() && !wildcard && (flags & 4) &&
                      (attributes & kAttributeDirectory) == 0;
  bool prompted = false;
  if (!exists) {
    FUZZ_CHECK(IsOnly(platform, kFileMissing, kStyleRefusal));
    FUZZ_CHECK(platform.openedKeys.empty());
  } else {
    const ReferenceLookup lookup = LookUp(platform.registry, ext);
    FUZZ_CHECK(platform.openedKeys == lookup.keys);
    if (lookup.program.empty()) {
      FUZZ_CHECK(IsOnly(platform, kNotAssociated, kStyleRefusal));
      FUZZ_CHECK(platform.resumeQueries == 0);
    } else if (!platform.resumeReceivable) {
      FUZZ_CHECK(IsOnly(platform, kResumeUndetectable, kStyleRefusal));
    } else {
      // The prompt names the file itself for programs and batch files,
      // else the program, literally.
      prompted = true;
      const bool runsItself =
          ext == u"EXE" || ReferenceIsFileItself(lookup.program);
      FUZZ_CHECK(IsOnly(platform,
                        runsItself
                            ? Prompt(name, kPromptTailExecutable)
                            : Prompt(lookup.program, kPromptTailAssociated),
                        kStyleConfirm));
    }
  }

  // Armed only by an OK to the confirmation.
  const bool armed = prompted && platform.answer == kAnswerOk;
  FUZZ_CHECK(platform.minimizes == (armed ? 1 : 0));
  FUZZ_CHECK(platform.windowState ==
             (armed ? kWindowStateMinimized : kWindowStateNormal));

  // However many resumes follow: one launch of exactly that file if armed,
  // else nothing at all.
  for (int i = 0; i < resumes; ++i) {
    logic.SysInfo1_PowerResume();
  }
  const bool launched = armed && resumes > 0;
  FUZZ_CHECK(platform.shellCalls.size() == (launched ? 1u : 0u));
  FUZZ_CHECK(platform.unloads == (launched ? 1 : 0));
  const bool failed = launched && platform.shellResult <= 32;
  FUZZ_CHECK(platform.messages.size() == (failed ? 2u : 1u));
  if (launched) {
    FUZZ_CHECK(platform.shellCalls[0].path == name);
    FUZZ_CHECK(platform.shellCalls[0].directory == platform.currentDirectory);
  }
  if (failed) {
    FUZZ_CHECK(platform.messages[1].text == kLaunchFailed);
    FUZZ_CHECK(platform.messages[1].style == kStyleLaunchFailed);
  }
  FUZZ_CHECK(platform.openKeys == 0);
  return 0;
}
