// Stands in for an application in the tests' associations:
//   vorundel_test_opener.exe PATH
// appends PATH and a line feed (UTF-16) to the file named by
// VORUNDEL_RECORD, then signals the event "VorundelOpened" so that the
// test can stop waiting.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

int wmain(int argc, wchar_t** argv) {
  const wchar_t* record = _wgetenv(L"VORUNDEL_RECORD");
  std::unique_ptr<FILE, int (*)(FILE*)> file(
      argc == 2 && record != nullptr ? _wfopen(record, L"ab") : nullptr,
      &fclose);
  const std::wstring line = std::wstring(argc == 2 ? argv[1] : L"") + L"\n";
  // Closed before the event: the test reads the record once signalled.
  if (!file ||
      fwrite(line.data(), sizeof(wchar_t), line.size(), file.get()) !=
          line.size() ||
      fclose(file.release()) != 0) {
    return 2;
  }
  const std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> opened(
      OpenEventW(EVENT_MODIFY_STATE, FALSE, L"VorundelOpened"), &CloseHandle);
  return opened && SetEvent(opened.get()) ? 0 : 3;
}
