// File names that a careless program would hand to a shell, mangle or cut:
// each one is armed in the real vorundel.exe and must reach the opener
// byte for byte at resume, with nothing else run on the way.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/hostile_names.h"
#include "tests/win32/program_driver.h"

namespace vorundel::testing {
namespace {

constexpr wchar_t kExtension[] = L"vrdhost";

// Every file or folder named `name` in `folder`, and with `deep` in its
// subfolders too.
std::vector<std::wstring> FindNamed(const std::wstring& folder,
                                    const std::wstring& name,
                                    bool deep) {
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    return found;
  }
  do {
    const std::wstring child = entry.cFileName;
    if (child == L"." || child == L"..") {
      continue;
    }
    const std::wstring path = folder + L"\\" + child;
    if (CompareStringOrdinal(child.c_str(), -1, name.c_str(), -1, TRUE) ==
        CSTR_EQUAL) {
      found.push_back(path);
    }
    if (deep && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      const auto deeper = FindNamed(path, name, true);
      found.insert(found.end(), deeper.begin(), deeper.end());
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

std::wstring CurrentDirectory() {
  wchar_t path[MAX_PATH * 4] = {};
  GetCurrentDirectoryW(MAX_PATH * 4, path);
  return path;
}

// Arms `file` in a fresh program, resumes, and checks that the opener saw
// exactly `file`, once.
void ArmAndResume(const ScratchDir& scratch,
                  const RecordingOpener& opener,
                  const std::wstring& file) {
  const std::size_t openedBefore = opener.OpenedPaths().size();
  Vorundel program(scratch.path());
  ASSERT_NE(program.form(), nullptr);

  program.SetLabel1(file);
  EXPECT_EQ(Utf8(TextOf(program.Label1())), Utf8(file));
  const auto prompt = program.Arm();
  ASSERT_TRUE(prompt);
  EXPECT_EQ(Utf8(*prompt), Utf8(Prompt(opener.ProgramPath())));

  program.PostResume();
  EXPECT_EQ(program.WaitForExit(), 0);
  ASSERT_TRUE(opener.WaitForOpen(kTimeout));
  const auto opened = opener.OpenedPaths();
  ASSERT_EQ(opened.size(), openedBefore + 1);
  EXPECT_EQ(Utf8(opened.back()), Utf8(file));
  // Byte for byte, not only after a round trip through UTF-8.
  EXPECT_TRUE(opened.back() == file);
}

TEST(HostileNames, EachReachesTheOpenerExactlyAndNothingElseRuns) {
  ScratchDir scratch;
  const RecordingOpener opener(scratch, kExtension);
  for (const HostileName& name : kHostileNames) {
    if (!name.onWindows) {
      continue;
    }
    SCOPED_TRACE(name.what);
    const std::wstring file =
        scratch.AddFile(Wide(name.stem) + L"." + kExtension);
    ASSERT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    ArmAndResume(scratch, opener, file);
  }
  // The program ran in the scratch folder; a shell would have written
  // there, or where the test or the programs are.
  auto pwned = FindNamed(scratch.path(), L"pwned", true);
  for (const std::wstring& folder : {CurrentDirectory(), ExecutableDir()}) {
    const auto found = FindNamed(folder, L"pwned", false);
    pwned.insert(pwned.end(), found.begin(), found.end());
  }
  EXPECT_TRUE(pwned.empty()) << Utf8(pwned.front());
}

// A path past MAX_PATH (260) through nested folders, as it stands and in
// the long-path form. Wine makes and reads it in either form.
TEST(HostileNames, APathLongerThanMaxPathReachesTheOpener) {
  ScratchDir scratch;
  const RecordingOpener opener(scratch, kExtension);
  std::wstring folder = scratch.path();
  for (const wchar_t* part :
       {L"\\\u9577\u3044 folder ", L"\\second & level ", L"\\third %1 "}) {
    folder += part + std::wstring(80, L'x');
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  }
  const std::wstring file = scratch.AddFile(
      folder.substr(scratch.path().size() + 1) + L"\\deep file." + kExtension);
  ASSERT_GT(file.size(), std::size_t{MAX_PATH});
  for (const std::wstring& form : {file, L"\\\\?\\" + file}) {
    SCOPED_TRACE(Utf8(form.substr(0, 8)));
    ArmAndResume(scratch, opener, form);
  }
}

}  // namespace
}  // namespace vorundel::testing
