// Stands in for an application in the tests' associations:
//   vorundel_test_opener.exe PATH
// appends PATH and a line feed (UTF-16) to the file named by
// VORUNDEL_RECORD, then signals the event "VorundelOpened" so that the
// test can stop waiting.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  wchar_t record[1024] = {};
  if (argc != 2 ||
      GetEnvironmentVariableW(L"VORUNDEL_RECORD", record, 1024) == 0) {
    return 2;
  }
  const HANDLE file = CreateFileW(record, FILE_APPEND_DATA, FILE_SHARE_READ,
                                  nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 3;
  }
  const std::wstring line = std::wstring(argv[1]) + L"\n";
  DWORD written = 0;
  const BOOL ok = WriteFile(file, line.data(),
                            static_cast<DWORD>(line.size() * sizeof(wchar_t)),
                            &written, nullptr);
  CloseHandle(file);
  const HANDLE opened =
      OpenEventW(EVENT_MODIFY_STATE, FALSE, L"VorundelOpened");
  if (opened != nullptr) {
    SetEvent(opened);
    CloseHandle(opened);
  }
  return ok ? 0 : 4;
}
