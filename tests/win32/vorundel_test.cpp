// The real vorundel.exe, worked from outside as a user works it: files
// dragged from the shell's own data objects, buttons clicked, message boxes
// read and answered, power notifications sent as the system sends them. The
// associations come from associations.reg; the recording opener writes down
// what it opened.
#include <windows.h>

#include <sddl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/texts.h"
#include "ui/win32/message_box_flags.h"

namespace vorundel::testing {
namespace {

using Handle = std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)>;

std::wstring W(std::u16string_view text) {
  return {text.begin(), text.end()};
}

const std::wstring kBin = [] {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path().wstring();
}();
const std::wstring kOpener = kBin + L"\\vorundel_test_opener.exe";
// The stems of tests/hostile_names.txt (beside the test) legal on Windows.
std::vector<std::wstring> HostileStems() {
  std::ifstream in(std::filesystem::path(kBin + L"\\hostile_names.txt"));
  std::vector<std::wstring> stems;
  for (std::string line; std::getline(in, line);) {
    const std::size_t tab = line.find('\t'), end = line.find('\t', tab + 1);
    if (line[0] != '#' && line.substr(0, tab).find('W') != std::string::npos) {
      stems.push_back(
          std::filesystem::path(
              std::u8string(line.begin() + tab + 1, line.begin() + end))
              .wstring());
    }
  }
  EXPECT_FALSE(stems.empty());
  return stems;
}
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

std::wstring Touch(const std::wstring& path) {
  EXPECT_NE(Handle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr),
                   &CloseHandle)
                .get(),
            INVALID_HANDLE_VALUE);
  return path;
}

Handle Start(std::wstring line, const wchar_t* folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, folder, &startup, &info));
  CloseHandle(info.hThread);
  return Handle(info.hProcess, &CloseHandle);
}

DWORD Wait(HANDLE process) {
  DWORD status = 99;
  WaitForSingleObject(process, 20000);
  GetExitCodeProcess(process, &status);
  return status;
}

void Import(const wchar_t* file) {
  const std::wstring line = L"reg.exe import \"" + kBin + L"\\" + file + L"\"";
  ASSERT_EQ(Wait(Start(line, nullptr).get()), 0u);
}

// Everyone may read the key under HKLM\Software\Classes, no one may write
// it (KEY_SET_VALUE | KEY_CREATE_SUB_KEY; Wine enforces deny entries).
void ReadOnly(const std::wstring& subkey) {
  HKEY key = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          (L"Software\\Classes\\" + subkey).c_str(), 0,
                          WRITE_DAC, &key),
            ERROR_SUCCESS);
  const std::unique_ptr<HKEY__, LSTATUS(WINAPI*)(HKEY)> owned(key,
                                                              &RegCloseKey);
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(D;;0x6;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  const std::unique_ptr<void, HLOCAL(WINAPI*)(HLOCAL)> freed(descriptor,
                                                             &LocalFree);
  EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor),
            ERROR_SUCCESS);
}

// A shortcut made as the shell makes them.
std::wstring Link(const std::wstring& link,
                  const std::wstring& target,
                  const wchar_t* arguments = L"") {
  Microsoft::WRL::ComPtr<IShellLinkW> shortcut;
  Microsoft::WRL::ComPtr<IPersistFile> file;
  EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&shortcut)),
            S_OK);
  shortcut->SetPath(target.c_str());
  shortcut->SetArguments(arguments);
  shortcut.As(&file);
  EXPECT_EQ(file->Save(link.c_str(), TRUE), S_OK);
  return link;
}

void Button(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
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
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD keys) override {
    return (keys & MK_LBUTTON) != 0 ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override {
    Button(MOUSEEVENTF_LEFTUP);
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
};

// What the shell gives a drag of these files (of one folder), or, for none,
// the clipboard's data object holding text only.
Microsoft::WRL::ComPtr<IDataObject> Dragged(
    const std::vector<std::wstring>& paths) {
  Microsoft::WRL::ComPtr<IDataObject> data;
  Microsoft::WRL::ComPtr<IShellFolder> folder;
  if (paths.empty()) {
    const HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 64);
    wcscpy(static_cast<wchar_t*>(GlobalLock(text)), L"C:\\text only.vrec");
    GlobalUnlock(text);
    OpenClipboard(nullptr);
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, text);
    CloseClipboard();
    EXPECT_EQ(OleGetClipboard(&data), S_OK);
    return data;
  }
  std::vector<std::unique_ptr<ITEMIDLIST, void(WINAPI*)(PIDLIST_RELATIVE)>> ids;
  std::vector<PCUITEMID_CHILD> children(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    PIDLIST_ABSOLUTE id = nullptr;
    SHParseDisplayName(paths[i].c_str(), nullptr, &id, 0, nullptr);
    ids.emplace_back(id, &ILFree);
    EXPECT_EQ(SHBindToParent(id, IID_PPV_ARGS(&folder), &children[i]), S_OK);
  }
  folder->GetUIObjectOf(nullptr, children.size(), children.data(),
                        IID_IDataObject, nullptr, &data);
  return data;
}

// vorundel.exe, started in a folder; killed if a test leaves it running.
class Program {
 public:
  explicit Program(const std::wstring& folder)
      : process_(Start(L"\"" + kBin + L"\\vorundel.exe\"", folder.c_str())) {
    EXPECT_TRUE(Until([&] { return (form = Top(nullptr)) != nullptr; }));
    WaitForInputIdle(process_.get(), 20000);
    // Tab order: Frame1, cmdCancel, cmdSet, Label1; client 467x123 at 96 DPI.
    const std::wstring texts[] = {W(kFrame1Caption), W(kCmdCancelCaption),
                                  W(kCmdSetCaption), L""};
    const RECT rects[] = {{8, 16, 457, 73},
                          {240, 84, 401, 109},
                          {64, 84, 225, 109},
                          {16, 40, 449, 61}};
    RECT rect;
    for (HWND child = GetWindow(form, GW_CHILD);
         child != nullptr && controls_.size() < 4;
         child = GetWindow(child, GW_HWNDNEXT)) {
      GetWindowRect(child, &rect);
      MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
      controls_.push_back(child);
      EXPECT_TRUE(EqualRect(&rect, &rects[controls_.size() - 1]));
      EXPECT_EQ(Text(child), texts[controls_.size() - 1]);
    }
    controls_.resize(4);
    GetClientRect(form, &rect);
    EXPECT_EQ(std::pair(rect.right, rect.bottom), std::pair(467L, 123L));
    EXPECT_EQ(Text(form), L"Vorundel");
    EXPECT_TRUE(GetWindowLongPtrW(label1(), GWL_STYLE) & SS_NOPREFIX);
  }
  ~Program() { TerminateProcess(process_.get(), 99); }

  HWND cancel() const { return controls_[1]; }
  HWND set() const { return controls_[2]; }
  HWND label1() const { return controls_[3]; }
  bool running() const {
    return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
  }

  // Waits on our messages and the program's end, up to 20 s.
  bool Until(const std::function<bool()>& done) const {
    const ULONGLONG end = GetTickCount64() + 20000;
    for (HANDLE process = process_.get(); !done();) {
      if (GetTickCount64() > end || !running()) {
        return done();
      }
      MsgWaitForMultipleObjects(1, &process, FALSE, 20, QS_ALLINPUT);
      for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
        DispatchMessageW(&message);
      }
    }
    return true;
  }

  // Its visible top-level windows of that class (boxes: "#32770").
  std::vector<HWND> Tops(const wchar_t* name = L"#32770") const {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, name, nullptr));) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == GetProcessId(process_.get()) && IsWindowVisible(w)) {
        found.push_back(w);
      }
    }
    return found;
  }
  HWND Top(const wchar_t* name = L"#32770") const {
    const auto found = Tops(name);
    return found.empty() ? nullptr : found.front();
  }

  // Drags `paths` from the shell onto Label1; the effect. Under Wine a
  // drag into another process is now and then refused at its first
  // DragEnter: a drag that should be taken is tried up to `attempts` times.
  DWORD Drop(const std::vector<std::wstring>& paths, int attempts = 3) const {
    // Wine's WindowFromPoint does not ask another process's windows for
    // HTTRANSPARENT, so Frame1, above Label1, would take the drop.
    SetWindowPos(label1(), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RECT rect;
    GetWindowRect(label1(), &rect);
    DWORD effect = DROPEFFECT_NONE;
    for (int i = 0; i < attempts && effect == DROPEFFECT_NONE; ++i) {
      SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
      Button(MOUSEEVENTF_LEFTDOWN);
      Hand hand;
      DoDragDrop(Dragged(paths).Get(), &hand, DROPEFFECT_COPY, &effect);
    }
    return effect;
  }

  // Puts `path` into Label1 by a drag, or, where the shell's data objects
  // cannot carry it (missing, MAX_PATH or longer), as the text a drop leaves.
  void Put(const std::wstring& path) const {
    if (path.size() < MAX_PATH && std::filesystem::exists(path)) {
      EXPECT_EQ(Drop({path}), DROPEFFECT_COPY);
    } else {
      SetWindowTextW(label1(), path.c_str());
    }
    EXPECT_EQ(Text(label1()), path);
  }

  // Clicks Set; the text of the box that comes, which `answer` closes.
  std::wstring Set(int answer) const {
    PostMessageW(set(), BM_CLICK, 0, 0);
    HWND box = nullptr;
    EXPECT_TRUE(Until([&] { return (box = Top()) != nullptr; }));
    const std::wstring text = Text(box, true);
    Answer(box, answer);
    return text;
  }
  void Answer(HWND box, int button) const {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    EXPECT_TRUE(Until([&] { return !IsWindow(box); }));
  }
  // Sent from this other process, as the system does; true when it was
  // answered at once, as the system expects.
  bool Power(std::initializer_list<WPARAM> events) const {
    return std::all_of(events.begin(), events.end(), [&](WPARAM event) {
      DWORD_PTR result = 0;
      return SendMessageTimeoutW(form, WM_POWERBROADCAST, event, 0,
                                 SMTO_ABORTIFHUNG, 2000, &result) &&
             result == TRUE;
    });
  }
  bool Iconic(bool iconic = true) const {
    return Until([&] { return (IsIconic(form) != FALSE) == iconic; });
  }
  DWORD Exit() const { return Wait(process_.get()); }

  HWND form = nullptr;

 private:
  Handle process_;
  std::vector<HWND> controls_;
};

class Vorundel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    OleInitialize(nullptr);
    Import(L"associations.reg");
    // The class the long-path route opens itself: read only.
    ReadOnly(L"Vorundel.Recorder");
    ReadOnly(L"Vorundel.Recorder\\shell\\open\\command");
  }
  Vorundel() {
    std::filesystem::create_directories(scratch);
    SetEnvironmentVariableW(L"VORUNDEL_RECORD", (scratch + L"\\rec").c_str());
  }
  // Every path the opener was asked to open, each ended by a line feed.
  std::wstring Opened() const {
    std::ifstream in(std::filesystem::path(scratch + L"\\rec"),
                     std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    return {reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2};
  }

  // A fresh folder; the prefix it lives in is removed after the run.
  const std::wstring scratch =
      (std::filesystem::temp_directory_path() /
       std::to_wstring(GetTickCount64() * 100 + count_++))
          .wstring();
  static inline int count_ = 0;
};

// One start: what Set says to each file; only OK arms, and only an armed,
// minimized window launches.
TEST_F(Vorundel, SetRefusesOrNamesTheProgramAndOnlyOkArms) {
  Program program(scratch);
  const std::wstring file = Touch(scratch + L"\\plain & simple.vrec");
  // Several files, or text only, are not taken (one is: every Put).
  const std::vector<std::wstring> drops[] = {
      {file, Touch(scratch + L"\\second.vrec")}, {}};
  for (const auto& paths : drops) {
    EXPECT_EQ(program.Drop(paths, 1), 0u) << paths.size();
    EXPECT_EQ(Text(program.label1()), L"");
  }

  // Files made here exist; the others are made as they are reached, except
  // those Set should find missing.
  CreateDirectoryW((scratch + L"\\folder.vrec").c_str(), nullptr);
  SetFileAttributesW(
      Touch(scratch + L"\\hidden, system, read-only.vrec").c_str(), 7);
  Link(scratch + L"\\to nothing.lnk", Touch(scratch + L"\\target.vrec"));
  DeleteFileW((scratch + L"\\target.vrec").c_str());
  wchar_t folder[MAX_PATH] = {};
  GetWindowsDirectoryW(folder, MAX_PATH);
  std::vector<std::pair<std::wstring, std::wstring>> rows = {
      {L"gone.vrec", W(kFileMissing)},
      {L"folder.vrec", W(kFileMissing)},
      {L"no such type.vnone", W(kNotAssociated)},
      {L"no such class.vnocls", W(kNotAssociated)},
      {L"no open command.vcmdless", W(kNotAssociated)},
      {L"numbers.vdword", W(kNotAssociated)},
      {L"bare.vbare", Prompt(L"C:\\Tools\\bare")},
      {L"long.vlong", Prompt(L"C:\\" + std::wstring(600, L'x') + L"\\app.exe")},
      {L"hidden, system, read-only.vrec", Prompt(kOpener)},
      {L"start.vbat", Prompt(scratch + L"\\start.vbat", true)},
      {L"copy.exe", Prompt(scratch + L"\\copy.exe", true)},
      {L"memo.vexpand",
       Prompt(std::wstring(folder) + L"\\system32\\notepad.exe")},
      {L"to nothing.lnk", W(kFileMissing)},
  };
  // Shortcuts name their targets whole, and as the desktop sees them: to
  // a program only in the native System32 and under the native Program
  // Files (a 32-bit process on 64-bit Windows sees other folders there).
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  const std::wstring windows(folder),
      only = L"\\vorundel only.exe",
      programs = _wgetenv(wow64 ? L"ProgramW6432" : L"ProgramFiles");
  CreateDirectoryW((programs + L"\\Vorundel").c_str(), nullptr);
  const std::wstring native[][3] = {
      // the shortcut, its target, the file
      {L"system32.lnk", windows + L"\\system32" + only,
       windows + (wow64 ? L"\\Sysnative" : L"\\system32") + only},
      {L"program files.lnk", programs + L"\\Vorundel" + only,
       programs + L"\\Vorundel" + only}};
  for (const auto& [name, target, made] : native) {
    Touch(made);
    Link(scratch + L"\\" + name, target);
    rows.push_back({name, Prompt(target, true)});
  }
  // Internet shortcuts name the program of their link's scheme.
  for (const std::string scheme : {"vorundel-own", "vorundel-chosen"}) {
    const std::wstring name = std::filesystem::path(scheme + ".url").wstring();
    std::ofstream(std::filesystem::path(scratch + L"\\" + name))
        << "[InternetShortcut]\r\nURL=" << scheme << ":memo\r\n";
    rows.push_back({name, Prompt(kOpener)});
  }
  for (const std::wstring& stem : HostileStems()) {
    const std::wstring target = Touch(scratch + L"\\" + stem + L".exe");
    Link(target + L".lnk", target);
    rows.push_back({stem + L".exe.lnk", Prompt(target, true)});
  }
  for (const auto& [name, box] : rows) {
    const std::wstring path = scratch + L"\\" + name;
    SCOPED_TRACE(::testing::PrintToString(path));
    if (!std::filesystem::exists(path) && box != W(kFileMissing)) {
      Touch(path);
    }
    program.Put(path);
    EXPECT_EQ(program.Set(IDCANCEL), box);
    EXPECT_FALSE(IsIconic(program.form));
  }

  // Not armed: power events do nothing. Armed, then restored: neither.
  program.Drop({file});
  for (bool armed : {false, true}) {
    if (armed) {
      EXPECT_EQ(program.Set(IDOK), Prompt(kOpener));
      ASSERT_TRUE(program.Iconic());
      EXPECT_TRUE(program.Power({PBT_APMSUSPEND}));
      PostMessageW(program.form, WM_SYSCOMMAND, SC_RESTORE, 0);
      ASSERT_TRUE(program.Iconic(false));
    }
    EXPECT_TRUE(program.Power(
        {PBT_APMSUSPEND, PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND}));
    EXPECT_EQ(program.Top(), nullptr);
    EXPECT_TRUE(program.running());
  }
  PostMessageW(program.cancel(), BM_CLICK, 0, 0);
  EXPECT_EQ(program.Exit(), 0u);
  Program closed(scratch);
  PostMessageW(closed.form, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(closed.Exit(), 0u);
  EXPECT_EQ(Opened(), L"");
}

// A start per file: armed, suspended, resumed twice. The opener gets
// exactly the name, once, and nothing else runs; a shortcut is named by its
// target and opened as itself. Whatever changed after arming is reported
// once, in front, resumes meanwhile do nothing, and nothing is opened.
TEST_F(Vorundel, AtResumeOpensTheArmedFileOnceOrReportsOnceAndEnds) {
  using Change = std::function<void(const std::wstring&)>;
  struct Row {
    std::wstring path, prompt, opened;
    // A change made after arming: "失敗しました", nothing opened.
    Change change = nullptr;
  };
  const std::wstring document = Touch(scratch + L"\\target doc.vrec");
  std::vector<Row> rows = {
      {Link(scratch + L"\\program.LNK", kOpener, L"\"from the link\""),
       Prompt(kOpener, true), L"from the link"},
      {Link(scratch + L"\\document.lnk", document), Prompt(kOpener), document}};
  const auto row = [&](const std::wstring& path, Change change = nullptr) {
    rows.push_back({Touch(path), Prompt(kOpener), change ? L"" : path, change});
  };
  // Wine expands a defined %NAME% in the file it is to open (Windows only
  // with SEE_MASK_DOENVSUBST), and then finds no such file.
  const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"),
                                   "wine_get_version") != nullptr;
  for (const std::wstring& stem : HostileStems()) {
    row(scratch + L"\\" + stem + L".vrec",
        wine && stem == L"%PATH%" ? Change([](auto&) {}) : nullptr);
  }
  // Past MAX_PATH through nested folders, as it stands and as \\?\.
  const std::wstring folder =
      scratch + L"\\長い folder " + std::wstring(80, L'x') + L"\\and & " +
      std::wstring(80, L'x') + L"\\%1 " + std::wstring(80, L'x');
  std::filesystem::create_directories(folder);
  row(folder + L"\\deep %PATH%.vrec");
  row(L"\\\\?\\" + rows.back().path);
  row(scratch + L"\\renamed.vrec", [](const std::wstring& path) {
    MoveFileW(path.c_str(), (path + L".old").c_str());
  });
  row(scratch + L"\\gone.vrec",
      [](const std::wstring& path) { DeleteFileW(path.c_str()); });
  row(scratch + L"\\folder soon.vrec", [](const std::wstring& path) {
    DeleteFileW(path.c_str());
    CreateDirectoryW(path.c_str(), nullptr);
  });
  row(scratch + L"\\orphan.vorphan",
      [](const std::wstring&) { Import(L"association-removed.reg"); });
  // Past MAX_PATH: the class's own open command is the way.
  const std::wstring deep = scratch + L"\\" + std::wstring(200, L'd');
  CreateDirectoryW(deep.c_str(), nullptr);
  row(deep + L"\\" + std::wstring(60, L'f') + L".vnocmd",
      [](const std::wstring&) { Import(L"command-removed.reg"); });

  std::wstring opened;
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::PrintToString(r.path));
    Program program(scratch);
    program.Put(r.path);
    EXPECT_EQ(program.Set(IDOK), r.prompt);
    ASSERT_TRUE(program.Iconic());
    // A wake with nobody there, and sleep again: still armed (Set, posted
    // after any launch it could have caused, still finds the window).
    EXPECT_TRUE(program.Power(
        {PBT_APMSUSPEND, PBT_APMRESUMEAUTOMATIC, PBT_APMSUSPEND}));
    EXPECT_EQ(program.Set(IDCANCEL), r.prompt);
    if (r.change) {
      r.change(r.path);
    }
    EXPECT_TRUE(program.Power({PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND}));
    if (r.change) {
      HWND box = nullptr;
      ASSERT_TRUE(
          program.Until([&] { return (box = program.Top()) != nullptr; }));
      EXPECT_EQ(Text(box, true), W(kLaunchFailed));
      EXPECT_EQ(GetForegroundWindow(), box);
      // The file is back: a second launch would now succeed.
      if (!std::filesystem::exists(r.path)) {
        Touch(r.path);
      }
      EXPECT_TRUE(program.Power(
          {PBT_APMRESUMESUSPEND, PBT_APMSUSPEND, PBT_APMRESUMESUSPEND}));
      EXPECT_EQ(program.Tops().size(), 1u);
      program.Answer(box, IDOK);
    }
    EXPECT_EQ(program.Exit(), 0u);
    if (!r.change) {
      EXPECT_EQ(WaitForSingleObject(kOpened.get(), 20000), WAIT_OBJECT_0);
      opened += r.opened + L"\n";
    }
    EXPECT_EQ(Opened(), opened);
  }
  // A shell would have made it in the program's folder or the test's.
  for (const std::wstring& at : {scratch, kBin, std::wstring(L".")}) {
    EXPECT_FALSE(std::filesystem::exists(at + L"\\pwned")) << at.size();
  }
}

// Wine without a window manager brings every box to the front, and gives
// no box WS_EX_TOPMOST: the flags that do it on Windows are checked here.
TEST(MessageBoxFlags, OnlyABoxOverAMinimizedFormComesToTheFront) {
  EXPECT_EQ(win32::MessageBoxFlags(0x30, true),
            0x30u | MB_SETFOREGROUND | MB_TOPMOST);
  EXPECT_EQ(win32::MessageBoxFlags(0x41, false), 0x41u);
}

}  // namespace
}  // namespace vorundel::testing
