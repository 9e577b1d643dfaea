// The real vorundel.exe, worked from outside as a user works it: files
// dropped from the shell's own data objects, buttons clicked, message boxes
// read and answered, power notifications posted. The associations come
// from associations.reg; the recording opener writes down what it was
// asked to open.
#include <windows.h>

#include <sddl.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/texts.h"
#include "tests/hostile_names.h"
#include "ui/win32/message_box_flags.h"

namespace vorundel::testing {
namespace {

using Microsoft::WRL::ComPtr;
using Handle = std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)>;

std::wstring W(std::u16string_view text) {
  return {text.begin(), text.end()};
}

const std::wstring kBin = [] {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring exe = path;
  return exe.substr(0, exe.rfind(L'\\'));
}();
const std::wstring kOpener = kBin + L"\\vorundel_test_opener.exe";
const Handle kOpened(CreateEventW(nullptr, FALSE, FALSE, L"VorundelOpened"),
                     &CloseHandle);

std::wstring Prompt(const std::wstring& named, bool executable = false) {
  return W(kPromptHead) + L"\r\n\r\n" + named + L"\r\n\r\n" +
         W(executable ? kPromptTailExecutable : kPromptTailAssociated);
}

std::wstring Text(HWND window, bool box = false) {
  wchar_t text[2048] = {};
  box ? GetDlgItemTextW(window, 0xFFFF, text, 2048)
      : GetWindowTextW(window, text, 2048);
  return text;
}

// A fresh folder; the prefix it lives in is removed after the run.
std::wstring Scratch() {
  static int count = 0;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = temp + std::to_wstring(GetTickCount64()) + L"-" +
                            std::to_wstring(count++);
  EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  return path;
}

std::wstring Touch(const std::wstring& path) {
  EXPECT_TRUE(Handle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, 0, nullptr),
                     &CloseHandle)
                  .get() != INVALID_HANDLE_VALUE);
  return path;
}

Handle Start(std::wstring commandLine,
             const wchar_t* folder = nullptr,
             DWORD* id = nullptr) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  EXPECT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr,
                             FALSE, 0, nullptr, folder, &startup, &info));
  CloseHandle(info.hThread);
  if (id != nullptr) {
    *id = info.dwProcessId;
  }
  return Handle(info.hProcess, &CloseHandle);
}

DWORD Wait(HANDLE process) {
  DWORD status = 99;
  WaitForSingleObject(process, 20000);
  GetExitCodeProcess(process, &status);
  return status;
}

void Import(const wchar_t* file) {
  ASSERT_EQ(
      Wait(Start(L"reg.exe import \"" + kBin + L"\\" + file + L"\"").get()),
      0u);
}

// Sets the access list of a key under HKLM\Software\Classes (Wine enforces
// deny entries).
void Access(const wchar_t* subkey, const wchar_t* sddl) {
  HKEY raw = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                      (std::wstring(L"Software\\Classes\\") + subkey).c_str(),
                      0, nullptr, 0, WRITE_DAC, nullptr, &raw, nullptr),
      ERROR_SUCCESS);
  const std::unique_ptr<HKEY__, LSTATUS(WINAPI*)(HKEY)> key(raw, &RegCloseKey);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      sddl, SDDL_REVISION_1, &descriptor, nullptr));
  const std::unique_ptr<void, HLOCAL(WINAPI*)(HLOCAL)> owned(descriptor,
                                                             &LocalFree);
  EXPECT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor),
            ERROR_SUCCESS);
}

// Everything the opener was asked to open, in order.
std::vector<std::wstring> Record(const std::wstring& record) {
  const Handle file(CreateFileW(record.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr),
                    &CloseHandle);
  std::wstring text(GetFileSize(file.get(), nullptr) / 2, L'\0');
  DWORD read = 0;
  ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size() * 2), &read,
           nullptr);
  std::vector<std::wstring> paths;
  for (std::size_t at = 0, end; (end = text.find(L'\n', at)) != text.npos;
       at = end + 1) {
    paths.push_back(text.substr(at, end - at));
  }
  return paths;
}

std::size_t Running(const wchar_t* program) {
  const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0),
                        &CloseHandle);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  std::size_t count = 0;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    count += _wcsicmp(entry.szExeFile, program) == 0;
  }
  return count;
}

// Wine counts no handles of another process (GetProcessHandleCount gives
// 0), but lists every process's handles.
std::size_t Handles(DWORD process) {
  std::vector<BYTE> buffer(1 << 22);
  NtQuerySystemInformation(SystemHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), nullptr);
  const auto* info =
      reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
  const SYSTEM_HANDLE_ENTRY* entry = info->Handle;
  std::size_t count = 0;
  for (ULONG i = 0; i < info->Count; ++i) {
    count += entry[i].OwnerPid == process;
  }
  return count;
}

void Mouse(DWORD flags, POINT at = {}) {
  const LONG width = GetSystemMetrics(SM_CXSCREEN);
  const LONG height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = (at.x * 65536 + width - 1) / width;
  input.mi.dy = (at.y * 65536 + height - 1) / height;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof(input));
}

// Holds the button down until the target has answered once, then lets go.
class Hand final : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IDropSource ? this : nullptr;
    return *out != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override {
    return released_ ? DRAGDROP_S_DROP : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override {
    Mouse(MOUSEEVENTF_LEFTUP);
    released_ = true;
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }

 private:
  bool released_ = false;
};

// What the shell gives a drag of these files (of one folder), or of the
// clipboard's text when there are none.
ComPtr<IDataObject> Dragged(const std::vector<std::wstring>& paths) {
  ComPtr<IDataObject> data;
  if (paths.empty()) {
    const std::wstring text = L"C:\\text only.vrec";
    OpenClipboard(nullptr);
    EmptyClipboard();
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 64);
    wcscpy(static_cast<wchar_t*>(GlobalLock(memory)), text.c_str());
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    EXPECT_EQ(OleGetClipboard(&data), S_OK);
    return data;
  }
  std::vector<std::unique_ptr<ITEMIDLIST, void(WINAPI*)(PIDLIST_RELATIVE)>> ids;
  std::vector<PCUITEMID_CHILD> children;
  ComPtr<IShellFolder> folder;
  for (const std::wstring& path : paths) {
    PIDLIST_ABSOLUTE id = nullptr;
    EXPECT_EQ(SHParseDisplayName(path.c_str(), nullptr, &id, 0, nullptr), S_OK);
    ids.emplace_back(id, &ILFree);
    children.push_back(nullptr);
    EXPECT_EQ(SHBindToParent(id, IID_PPV_ARGS(&folder), &children.back()),
              S_OK);
  }
  EXPECT_EQ(folder->GetUIObjectOf(nullptr, children.size(), children.data(),
                                  IID_IDataObject, nullptr, &data),
            S_OK);
  return data;
}

// vorundel.exe, started in a folder; killed if a test leaves it running.
class Program {
 public:
  explicit Program(const std::wstring& folder) {
    process_ = Start(L"\"" + kBin + L"\\vorundel.exe\"", folder.c_str(), &id_);
    EXPECT_TRUE(Until([&] { return (form = Top(false)) != nullptr; }));
    WaitForInputIdle(process_.get(), 20000);
    // Tab order: Frame1, cmdCancel, cmdSet, Label1; client 467x123 at 96 DPI.
    const struct {
      std::wstring text;
      RECT rect;
    } expected[] = {{W(kFrame1Caption), {8, 16, 457, 73}},
                    {W(kCmdCancelCaption), {240, 84, 401, 109}},
                    {W(kCmdSetCaption), {64, 84, 225, 109}},
                    {L"", {16, 40, 449, 61}}};
    HWND child = GetWindow(form, GW_CHILD);
    for (const auto& control : expected) {
      RECT rect;
      GetWindowRect(child, &rect);
      MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
      EXPECT_EQ(Text(child), control.text);
      EXPECT_TRUE(EqualRect(&rect, &control.rect)) << rect.left << rect.top;
      controls_.push_back(child);
      child = GetWindow(child, GW_HWNDNEXT);
    }
    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(467L, 123L));
    EXPECT_EQ(Text(form), L"Vorundel");
    EXPECT_TRUE(GetWindowLongPtrW(label1(), GWL_STYLE) & SS_NOPREFIX);
  }
  ~Program() { TerminateProcess(process_.get(), 99); }

  HWND cancel() const { return controls_[1]; }
  HWND set() const { return controls_[2]; }
  HWND label1() const { return controls_[3]; }
  HANDLE process() const { return process_.get(); }
  DWORD id() const { return id_; }

  // Waits on the program's messages and its end, up to 20 s.
  bool Until(const std::function<bool()>& done) const {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
      const HANDLE process = process_.get();
      if (std::chrono::steady_clock::now() > end ||
          WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
        return done();
      }
      MsgWaitForMultipleObjects(1, &process, FALSE, 20, QS_ALLINPUT);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
      }
    }
    return true;
  }

  // Its visible message boxes, or Form1.
  std::vector<HWND> Tops(bool boxes) const {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, nullptr));) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      wchar_t name[8] = {};
      GetClassNameW(w, name, 8);
      if (owner == id_ && IsWindowVisible(w) &&
          (std::wstring(name) == L"#32770") == boxes) {
        found.push_back(w);
      }
    }
    return found;
  }
  HWND Top(bool box = true) const {
    const auto found = Tops(box);
    return found.empty() ? nullptr : found.front();
  }

  // Drags `paths` from the shell onto Label1; the effect. Under Wine a
  // drag into another process is now and then refused at its first
  // DragEnter: a drag that should be taken is tried up to `attempts` times.
  DWORD Drop(const std::vector<std::wstring>& paths,
             DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_LINK,
             int attempts = 3) const {
    // Wine's WindowFromPoint does not ask another process's windows for
    // HTTRANSPARENT, so Frame1, above Label1, would take the drop.
    SetWindowPos(label1(), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RECT rect;
    GetWindowRect(label1(), &rect);
    DWORD effect = DROPEFFECT_NONE;
    for (int i = 0; i < attempts && effect == DROPEFFECT_NONE; ++i) {
      Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN,
            {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
      Hand hand;
      DoDragDrop(Dragged(paths).Get(), &hand, allowed, &effect);
    }
    return effect;
  }

  // Clicks `button` (Set) and returns the box's text; `answer` then closes
  // the box (0 leaves it open).
  std::wstring Click(HWND button, int answer) const {
    PostMessageW(button, BM_CLICK, 0, 0);
    HWND box = nullptr;
    EXPECT_TRUE(Until([&] { return (box = Top()) != nullptr; }));
    const std::wstring text = Text(box, true);
    if (answer != 0) {
      Answer(box, answer);
    }
    return text;
  }
  void Answer(HWND box, int button) const {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    EXPECT_TRUE(Until([&] { return !IsWindow(box); }));
  }
  void Power(WPARAM event, bool sent = false) const {
    DWORD_PTR result = 0;
    sent ? (void)SendMessageTimeoutW(form, WM_POWERBROADCAST, event, 0,
                                     SMTO_ABORTIFHUNG, 5000, &result)
         : (void)PostMessageW(form, WM_POWERBROADCAST, event, 0);
  }
  bool Minimized() const {
    return Until([&] { return IsIconic(form) != FALSE; });
  }
  DWORD Exit() const { return Wait(process_.get()); }

  HWND form = nullptr;

 private:
  Handle process_{nullptr, &CloseHandle};
  DWORD id_ = 0;
  std::vector<HWND> controls_;
};

class Vorundel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    OleInitialize(nullptr);
    for (const wchar_t* key : kDenied) {
      Access(key, L"D:(A;;KA;;;WD)");
    }
    Import(L"associations.reg");
    Access(kDenied[0], L"D:(D;;KR;;;WD)(A;;KA;;;WD)");
    Access(kDenied[1], L"D:(D;;KR;;;WD)(A;;KA;;;WD)");
    // KEY_SET_VALUE | KEY_CREATE_SUB_KEY: only writing is refused.
    Access(kDenied[2], L"D:(D;;0x6;;;WD)(A;;KA;;;WD)");
    Access(kDenied[3], L"D:(D;;0x6;;;WD)(A;;KA;;;WD)");
  }
  Vorundel() {
    SetEnvironmentVariableW(L"VORUNDEL_RECORD",
                            (scratch + L"\\record").c_str());
  }
  std::vector<std::wstring> Opened() const {
    return Record(scratch + L"\\record");
  }

  static constexpr const wchar_t* kDenied[] = {
      L".vdeny", L"Vorundel.DenyCmd\\shell\\open\\command", L".vrdonly",
      L"Vorundel.ReadOnly\\shell\\open\\command"};
  const std::wstring scratch = Scratch();
};

// One start: what Set says to each file, and that only OK arms and only an
// armed, minimized window launches.
TEST_F(Vorundel, SetRefusesOrNamesTheProgramAndOnlyOkArms) {
  Program program(scratch);
  const std::wstring file = Touch(scratch + L"\\plain & simple.vrec");
  // Drops: one file is taken; several, text only or no copying are not.
  const struct {
    const char* what;
    std::vector<std::wstring> paths;
    DWORD allowed;
    DWORD effect;
  } drops[] = {
      {"one file", {file}, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_COPY},
      {"two files",
       {file, Touch(scratch + L"\\second.vrec")},
       DROPEFFECT_COPY,
       DROPEFFECT_NONE},
      {"text only", {}, DROPEFFECT_COPY, DROPEFFECT_NONE},
      {"move only", {file}, DROPEFFECT_MOVE, DROPEFFECT_NONE},
  };
  for (const auto& drop : drops) {
    SCOPED_TRACE(drop.what);
    SetWindowTextW(program.label1(), L"");
    EXPECT_EQ(program.Drop(drop.paths, drop.allowed, drop.effect ? 3 : 1),
              drop.effect);
    EXPECT_EQ(Text(program.label1()),
              drop.effect == DROPEFFECT_COPY ? file : L"");
  }

  enum Made { kFile, kFolder, kGone, kMarked };
  const struct {
    const wchar_t* name;
    Made made;
    std::wstring box;
  } rows[] = {
      {L"empty", kGone, W(kFileMissing)},
      {L"folder.vrec", kFolder, W(kFileMissing)},
      {L"no such type.vnone", kFile, W(kNotAssociated)},
      {L"no such class.vnocls", kFile, W(kNotAssociated)},
      {L"no open command.vcmdless", kFile, W(kNotAssociated)},
      {L"numbers.vdword", kFile, W(kNotAssociated)},
      {L"locked.vdeny", kFile, W(kNotAssociated)},
      {L"locked command.vdenycmd", kFile, W(kNotAssociated)},
      {L"read only keys.vrdonly", kFile, Prompt(kOpener)},
      {L"bare.vbare", kFile, Prompt(L"C:\\Tools\\bare")},
      {L"long.vlong", kFile,
       Prompt(L"C:\\" + std::wstring(600, L'x') + L"\\app.exe")},
      {L"hidden, system, read-only.vrec", kMarked, Prompt(kOpener)},
  };
  std::size_t handles = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& row : rows) {
      SCOPED_TRACE(::testing::PrintToString(std::wstring(row.name)));
      const std::wstring path = scratch + L"\\" + row.name;
      row.made == kFolder ? (void)CreateDirectoryW(path.c_str(), nullptr)
                          : (void)Touch(path);
      if (pass == 0) {
        EXPECT_EQ(program.Drop({path}), DROPEFFECT_COPY);
      } else {
        SetWindowTextW(program.label1(), path.c_str());
      }
      EXPECT_EQ(Text(program.label1()), path);
      if (row.made == kGone) {
        DeleteFileW(path.c_str());
      } else if (row.made == kMarked) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN |
                                             FILE_ATTRIBUTE_SYSTEM |
                                             FILE_ATTRIBUTE_READONLY);
      }
      EXPECT_EQ(program.Click(program.set(), IDCANCEL), row.box);
      EXPECT_FALSE(IsIconic(program.form));
    }
    // A second pass over the same rows leaves no handle (key) behind.
    const std::size_t now = Handles(program.id());
    EXPECT_TRUE(pass == 0 || now <= handles) << handles << " then " << now;
    handles = now;
  }
  const std::wstring batch = Touch(scratch + L"\\start.vbat");
  const std::wstring exe = scratch + L"\\copy.exe";
  CopyFileW(kOpener.c_str(), exe.c_str(), FALSE);
  for (const std::wstring& itself : {batch, exe}) {
    program.Drop({itself});
    EXPECT_EQ(program.Click(program.set(), IDCANCEL), Prompt(itself, true));
  }

  // Not armed: power events do nothing. Armed, then restored: neither.
  program.Drop({file});
  for (bool armed : {false, true}) {
    if (armed) {
      EXPECT_EQ(program.Click(program.set(), IDOK), Prompt(kOpener));
      ASSERT_TRUE(program.Minimized());
      program.Power(PBT_APMSUSPEND, true);
      PostMessageW(program.form, WM_SYSCOMMAND, SC_RESTORE, 0);
      ASSERT_TRUE(program.Until([&] { return !IsIconic(program.form); }));
    }
    program.Power(PBT_APMSUSPEND, true);
    program.Power(PBT_APMRESUMEAUTOMATIC, true);
    program.Power(PBT_APMRESUMESUSPEND, true);
    EXPECT_EQ(program.Top(), nullptr);
    EXPECT_EQ(WaitForSingleObject(program.process(), 0), WAIT_TIMEOUT);
  }
  PostMessageW(program.cancel(), BM_CLICK, 0, 0);
  EXPECT_EQ(program.Exit(), 0u);
  EXPECT_TRUE(Opened().empty());
}

TEST_F(Vorundel, EndsWhenClosed) {
  Program program(scratch);
  PostMessageW(program.form, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.Exit(), 0u);
}

// One start per name: armed, suspended, resumed twice; the opener gets
// exactly the name, once, and nothing else runs.
TEST_F(Vorundel, OpensEachArmedNameExactlyOnceAtResumeAndEnds) {
  std::vector<std::wstring> paths;
  for (const HostileName& name : kHostileNames) {
    if (name.onWindows) {
      paths.push_back(Touch(scratch + L"\\" + W(name.stem) + L".vrec"));
    }
  }
  // Past MAX_PATH through nested folders, as it stands and as \\?\.
  std::wstring folder = scratch;
  for (const wchar_t* part : {L"\\長い folder ", L"\\and & ", L"\\%1 "}) {
    folder += part + std::wstring(80, L'x');
    CreateDirectoryW(folder.c_str(), nullptr);
  }
  paths.push_back(Touch(folder + L"\\deep %PATH%.vrec"));
  paths.push_back(L"\\\\?\\" + paths.back());
  for (const std::wstring& path : paths) {
    SCOPED_TRACE(::testing::PrintToString(path));
    Program program(scratch);
    if (path.size() < MAX_PATH) {
      EXPECT_EQ(program.Drop({path}), DROPEFFECT_COPY);
    } else {
      // The shell's data objects stop at MAX_PATH: the text a drop leaves.
      SetWindowTextW(program.label1(), path.c_str());
    }
    EXPECT_EQ(Text(program.label1()), path);
    EXPECT_EQ(program.Click(program.set(), IDOK), Prompt(kOpener));
    ASSERT_TRUE(program.Minimized());
    program.Power(PBT_APMSUSPEND);
    program.Power(PBT_APMRESUMEAUTOMATIC);
    program.Power(PBT_APMRESUMESUSPEND);
    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_EQ(WaitForSingleObject(kOpened.get(), 20000), WAIT_OBJECT_0);
    const auto opened = Opened();
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.back(), path);
  }
  EXPECT_EQ(Opened().size(), paths.size());
  // A shell would have made it in the program's folder or the test's.
  for (const std::wstring& at : {scratch, kBin, std::wstring(L".")}) {
    EXPECT_EQ(GetFileAttributesW((at + L"\\pwned").c_str()),
              INVALID_FILE_ATTRIBUTES);
  }
}

// Whatever changed between arming and the resume is reported once, in
// front; resumes meanwhile do nothing; nothing else is opened.
TEST_F(Vorundel, ReportsWhatChangedAfterArmingOnceThenEnds) {
  const std::wstring deep = scratch + L"\\" + std::wstring(200, L'd');
  CreateDirectoryW(deep.c_str(), nullptr);
  const struct {
    const char* what;
    std::wstring path;
    std::function<void(const std::wstring&)> change;
  } rows[] = {
      {"deleted", scratch + L"\\gone.vrec",
       [](const std::wstring& path) { DeleteFileW(path.c_str()); }},
      {"renamed", scratch + L"\\renamed.vrec",
       [](const std::wstring& path) {
         MoveFileW(path.c_str(), (path + L".old").c_str());
       }},
      {"replaced by a folder", scratch + L"\\folder soon.vrec",
       [](const std::wstring& path) {
         DeleteFileW(path.c_str());
         CreateDirectoryW(path.c_str(), nullptr);
       }},
      {"association removed", scratch + L"\\orphan.vorphan",
       [](const std::wstring&) { Import(L"association-removed.reg"); }},
      {"open command removed, long path",
       deep + L"\\" + std::wstring(60, L'f') + L".vnocmd",
       [](const std::wstring&) { Import(L"command-removed.reg"); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Program program(scratch);
    SetWindowTextW(program.label1(), Touch(row.path).c_str());
    EXPECT_EQ(program.Click(program.set(), IDOK), Prompt(kOpener));
    ASSERT_TRUE(program.Minimized());
    row.change(row.path);
    const std::size_t explorers = Running(L"explorer.exe");
    const std::size_t winefiles = Running(L"winefile.exe");
    program.Power(PBT_APMRESUMEAUTOMATIC);
    HWND box = nullptr;
    ASSERT_TRUE(
        program.Until([&] { return (box = program.Top()) != nullptr; }));
    EXPECT_EQ(Text(box, true), W(kLaunchFailed));
    EXPECT_EQ(GetForegroundWindow(), box);
    // The file is back: a second launch would now succeed.
    if (GetFileAttributesW(row.path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      Touch(row.path);
    }
    program.Power(PBT_APMRESUMEAUTOMATIC);
    program.Power(PBT_APMRESUMESUSPEND);
    program.Power(PBT_APMRESUMEAUTOMATIC, true);
    EXPECT_EQ(program.Tops(true).size(), 1u);
    program.Answer(box, IDOK);
    EXPECT_EQ(program.Exit(), 0u);
    EXPECT_EQ(Running(L"explorer.exe"), explorers);
    EXPECT_EQ(Running(L"winefile.exe"), winefiles);
  }
  EXPECT_TRUE(Opened().empty());
}

// Wine without a window manager brings every box to the front, so the flag
// that does it on Windows is checked here.
TEST(MessageBoxFlags, OnlyABoxOverAMinimizedFormComesToTheFront) {
  EXPECT_EQ(win32::MessageBoxFlags(0x30, true), 0x30u | MB_SETFOREGROUND);
  EXPECT_EQ(win32::MessageBoxFlags(0x41, false), 0x41u);
}

}  // namespace
}  // namespace vorundel::testing
