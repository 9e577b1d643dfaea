// Stands in for an application in the tests' associations, as recorder.sh
// does on Linux: writes the folder it was started in and each argument,
// each ended by a NUL (UTF-8), into a file of its own in the folder
// VORUNDEL_RECORD_DIR names; the file appears whole.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  std::wstring text(32768, L'\0'), dir = _wgetenv(L"VORUNDEL_RECORD_DIR");
  text.resize(GetCurrentDirectoryW(32768, text.data()));
  for (int i = 1; i < argc; ++i) {
    text += L'\0' + std::wstring(argv[i]);
  }
  text += L'\0';
  std::string bytes(text.size() * 4, '\0');
  bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), int(bytes.size()),
                                   nullptr, nullptr));
  const std::wstring name = dir + L"\\" + std::to_wstring(GetCurrentProcessId());
  const HANDLE file = CreateFileW((name + L".part").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  DWORD written = 0;
  const bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  return ok && CloseHandle(file) && MoveFileW((name + L".part").c_str(), name.c_str()) ? 0 : 2;
}
