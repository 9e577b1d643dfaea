#include "core/form1_logic.h"

#include <algorithm>
#include <string_view>

#include "core/ascii_case.h"
#include "core/command_line.h"
#include "core/extension.h"
#include "core/texts.h"

namespace vorundel {

void Form1Logic::cmdSet_Click() {
  if (!FileExists(platform_.Label1Text())) {
    platform_.ShowMessage(std::u16string(kFileMissing), kStyleRefusal,
                          std::u16string(kAppTitle));
    return;
  }
  // A shortcut is checked and named by what it points to; the shortcut
  // itself is what the shell opens at resume.
  const auto target = platform_.ShortcutTarget(platform_.Label1Text());
  if (target && !FileExists(*target)) {
    platform_.ShowMessage(std::u16string(kFileMissing), kStyleRefusal,
                          std::u16string(kAppTitle));
    return;
  }
  const std::u16string subject = target ? *target : platform_.Label1Text();
  const std::u16string extension = Extension(subject);
  const std::u16string program = xFindExecutables(extension);
  if (program.empty()) {
    platform_.ShowMessage(std::u16string(kNotAssociated), kStyleRefusal,
                          std::u16string(kAppTitle));
    return;
  }
  // Arming a program that can never be woken would be a silent failure.
  if (!platform_.CanReceiveResume()) {
    platform_.ShowMessage(std::u16string(kResumeUndetectable), kStyleRefusal,
                          std::u16string(kAppTitle));
    return;
  }
  const int answer =
      platform_.ShowMessage(ConfirmationPrompt(subject, extension, program),
                            kStyleConfirm, std::u16string(kAppTitle));
  // Only OK arms: a box that failed to show (0) is no consent either.
  if (answer != kAnswerOk) {
    return;
  }
  platform_.MinimizeWindow();
}

std::u16string Form1Logic::ConfirmationPrompt(const std::u16string& subject,
                                              const std::u16string& extension,
                                              const std::u16string& program) {
  std::u16string prompt(kPromptHead);
  prompt.append(kLineBreak).append(kLineBreak);
  // A batch file's command is the file itself: name the file, as for an exe.
  if (extension == u"EXE" || IsFileItself(program)) {
    prompt.append(subject);
    prompt.append(kLineBreak).append(kLineBreak).append(kPromptTailExecutable);
  } else {
    prompt.append(program);
    prompt.append(kLineBreak).append(kLineBreak).append(kPromptTailAssociated);
  }
  return prompt;
}

void Form1Logic::SysInfo1_PowerResume() {
  if (launched_ || platform_.WindowState() != kWindowStateMinimized) {
    return;
  }
  launched_ = true;
  if (LaunchFile(platform_.Label1Text()) == 0) {
    platform_.ShowMessage(std::u16string(kLaunchFailed), kStyleLaunchFailed,
                          std::u16string(kAppTitle));
  }
  platform_.UnloadForm();
}

bool Form1Logic::FileExists(const std::u16string& FileName) {
  if (FileName.empty()) {
    return false;
  }
  // The "?" of the long-path prefix \\?\ is no wildcard.
  constexpr std::u16string_view kLongPathPrefix = u"\\\\?\\";
  const std::size_t nameStart =
      FileName.starts_with(kLongPathPrefix) ? kLongPathPrefix.size() : 0;
  if (platform_.WildcardsInFileNames() &&
      FileName.find_first_of(u"*?", nameStart) != std::u16string::npos) {
    return false;
  }
  const auto attributes = platform_.FileAttributes(FileName);
  return attributes && (*attributes & kAttributeDirectory) == 0;
}

std::optional<std::u16string> Form1Logic::ReadClassesValue(
    const std::u16string& subkey) {
  const auto key = platform_.OpenClassesKey(subkey);
  if (!key) {
    return std::nullopt;
  }
  auto value = key->ReadDefaultValue();
  if (value) {
    value->resize(std::min(value->size(), value->find(u'\0')));
  }
  return value;
}

std::u16string Form1Logic::xFindExecutables(const std::u16string& ext) {
  std::u16string extensionKey = AsciiLower(ext);
  if (extensionKey.empty() || extensionKey.front() != u'.') {
    extensionKey = u"." + extensionKey;
  }
  const auto className = ReadClassesValue(extensionKey);
  if (!className) {
    return {};
  }
  const auto commandLine =
      ReadClassesValue(*className + u"\\shell\\open\\command");
  if (!commandLine) {
    return {};
  }
  return ProgramFromCommandLine(*commandLine);
}

std::int32_t Form1Logic::LaunchFile(const std::u16string& path) {
  const std::int32_t result =
      platform_.ShellOpen(path, platform_.CurrentDirectory());
  return result > 32 ? result : 0;
}

}  // namespace vorundel
