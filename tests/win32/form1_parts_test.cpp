// Parts of Form1: Label1's drop target with real drag payloads (a file
// list of one or more files, or text only), and the message box flags.
#include "ui/win32/label1_drop_target.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/win32/test_support.h"
#include "ui/win32/message_box_flags.h"

namespace vorundel::testing {
namespace {

using Microsoft::WRL::ComPtr;

// A drag payload holding one HGLOBAL per clipboard format.
class Payload final : public IDataObject {
 public:
  void Add(CLIPFORMAT format, const void* bytes, std::size_t size) {
    formats_.push_back(
        {format, std::string(static_cast<const char*>(bytes), size)});
  }

  // A DROPFILES block with wide paths, as the shell builds it.
  void AddFiles(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const auto& path : paths) {
      list += path + L'\0';
    }
    list += L'\0';
    DROPFILES header{};
    header.pFiles = sizeof(header);
    header.fWide = TRUE;
    std::string block(reinterpret_cast<const char*>(&header), sizeof(header));
    block.append(reinterpret_cast<const char*>(list.data()),
                 list.size() * sizeof(wchar_t));
    Add(CF_HDROP, block.data(), block.size());
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *out = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      delete this;
    }
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format,
                                    STGMEDIUM* medium) override {
    const auto* entry = Find(format);
    if (entry == nullptr) {
      return DV_E_FORMATETC;
    }
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, entry->bytes.size());
    std::memcpy(GlobalLock(memory), entry->bytes.data(), entry->bytes.size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return Find(format) != nullptr ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*,
                                                  FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*,
                                    DWORD,
                                    IAdviseSink*,
                                    DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  struct Entry {
    CLIPFORMAT format;
    std::string bytes;
  };
  const Entry* Find(const FORMATETC* format) const {
    if ((format->tymed & TYMED_HGLOBAL) == 0) {
      return nullptr;
    }
    for (const auto& entry : formats_) {
      if (entry.format == format->cfFormat) {
        return &entry;
      }
    }
    return nullptr;
  }
  ULONG references_ = 1;
  std::vector<Entry> formats_;
};

struct WindowDestroyer {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<HWND__, WindowDestroyer>;

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

class Label1DropTargetTest : public ::testing::Test {
 protected:
  Label1DropTargetTest()
      : label_(CreateWindowExW(0,
                               L"STATIC",
                               L"",
                               WS_POPUP | SS_NOPREFIX,
                               0,
                               0,
                               100,
                               20,
                               nullptr,
                               nullptr,
                               nullptr,
                               nullptr)),
        target_(new win32::Label1DropTarget(label_.get())) {
    target_->Release();  // the ComPtr holds the only reference
  }

  // The effect DragEnter and DragOver give, and Drop's.
  DWORD Enter(IDataObject* data, DWORD allowed) {
    DWORD effect = allowed;
    EXPECT_EQ(target_->DragEnter(data, MK_LBUTTON, POINTL{1, 1}, &effect),
              S_OK);
    DWORD over = allowed;
    EXPECT_EQ(target_->DragOver(MK_LBUTTON, POINTL{2, 2}, &over), S_OK);
    EXPECT_EQ(over, effect);
    return effect;
  }
  DWORD Drop(IDataObject* data, DWORD allowed = DROPEFFECT_COPY) {
    DWORD effect = allowed;
    EXPECT_EQ(target_->Drop(data, 0, POINTL{2, 2}, &effect), S_OK);
    return effect;
  }

  UniqueWindow label_;
  ComPtr<win32::Label1DropTarget> target_;
};

TEST_F(Label1DropTargetTest, TakesExactlyOneFile) {
  const std::wstring text = L"C:\\docs\\memo.txt";
  struct Case {
    const char* name;
    std::vector<std::wstring> files;  // empty: no file list at all
    bool withText;
    DWORD allowed;
    DWORD expected;
  };
  const DWORD any = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  const Case cases[] = {
      {"one file", {L"C:\\docs\\memo.txt"}, false, any, DROPEFFECT_COPY},
      {"one file, copy only",
       {L"C:\\a.txt"},
       false,
       DROPEFFECT_COPY,
       DROPEFFECT_COPY},
      {"one file and text", {L"C:\\a.txt"}, true, any, DROPEFFECT_COPY},
      {"two files", {L"C:\\a.txt", L"C:\\b.txt"}, false, any, DROPEFFECT_NONE},
      {"text only", {}, true, any, DROPEFFECT_NONE},
      {"source refuses copying",
       {L"C:\\a.txt"},
       false,
       DROPEFFECT_MOVE,
       DROPEFFECT_NONE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<Payload> data;
    data.Attach(new Payload);
    if (!c.files.empty()) {
      data->AddFiles(c.files);
    }
    if (c.withText) {
      data->Add(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * 2);
    }
    EXPECT_EQ(Enter(data.Get(), c.allowed), c.expected);
    EXPECT_EQ(target_->DragLeave(), S_OK);
  }
}

TEST_F(Label1DropTargetTest, EmptyFileListIsRefused) {
  ComPtr<Payload> data;
  data.Attach(new Payload);
  data->AddFiles({});
  EXPECT_EQ(Enter(data.Get(), DROPEFFECT_COPY), DROPEFFECT_NONE);
}

TEST_F(Label1DropTargetTest, DropPutsThePathIntoLabel1) {
  const std::wstring first = L"C:\\docs\\\u2603 \uD55C\uAE00 & memo.txt";
  const std::wstring second = L"D:\\other.bat";
  ComPtr<Payload> one;
  one.Attach(new Payload);
  one->AddFiles({first});
  Enter(one.Get(), DROPEFFECT_COPY);
  EXPECT_EQ(Drop(one.Get()), DROPEFFECT_COPY);
  EXPECT_EQ(Utf8(TextOf(label_.get())), Utf8(first));

  // A second drop replaces the first path.
  ComPtr<Payload> replacement;
  replacement.Attach(new Payload);
  replacement->AddFiles({second});
  EXPECT_EQ(Drop(replacement.Get()), DROPEFFECT_COPY);
  EXPECT_EQ(Utf8(TextOf(label_.get())), Utf8(second));

  // What cannot be taken leaves Label1 alone.
  ComPtr<Payload> two;
  two.Attach(new Payload);
  two->AddFiles({first, second});
  EXPECT_EQ(Drop(two.Get()), DROPEFFECT_NONE);
  ComPtr<Payload> textOnly;
  textOnly.Attach(new Payload);
  textOnly->Add(CF_UNICODETEXT, L"C:\\x.txt", 18);
  EXPECT_EQ(Drop(textOnly.Get()), DROPEFFECT_NONE);
  EXPECT_EQ(Utf8(TextOf(label_.get())), Utf8(second));
}

TEST(MessageBoxFlags, OnlyABoxOverAMinimizedFormComesToTheFront) {
  using win32::MessageBoxFlags;
  EXPECT_EQ(MessageBoxFlags(0x30, true), 0x30u | MB_SETFOREGROUND);
  EXPECT_EQ(MessageBoxFlags(0x41, false), 0x41u);
  EXPECT_EQ(MessageBoxFlags(0x10, false), 0x10u);
}

}  // namespace
}  // namespace vorundel::testing
