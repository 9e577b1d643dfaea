// Stands in for an application in the tests' file associations:
//   test_opener.exe RECORD EVENT PATH
// appends PATH and a line feed (UTF-16) to the file RECORD, then signals
// the named event EVENT so that the test can stop waiting.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    return 2;
  }
  const HANDLE record =
      CreateFileW(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (record == INVALID_HANDLE_VALUE) {
    return 3;
  }
  const std::wstring line = std::wstring(argv[3]) + L"\n";
  DWORD written = 0;
  const BOOL ok = WriteFile(record, line.data(),
                            static_cast<DWORD>(line.size() * sizeof(wchar_t)),
                            &written, nullptr);
  CloseHandle(record);
  const HANDLE opened = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  if (opened != nullptr) {
    SetEvent(opened);
    CloseHandle(opened);
  }
  return ok ? 0 : 4;
}
