#include "ui/win32/label1_drop_target.h"

#include <shellapi.h>

#include <memory>

namespace vorundel::win32 {
namespace {

struct MediumReleaser {
  void operator()(STGMEDIUM* medium) const { ReleaseStgMedium(medium); }
};

}  // namespace

std::optional<std::wstring> SingleDroppedFile(IDataObject* data) {
  if (data == nullptr) {
    return std::nullopt;
  }
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) {
    return std::nullopt;
  }
  const std::unique_ptr<STGMEDIUM, MediumReleaser> release(&medium);
  if (medium.tymed != TYMED_HGLOBAL || medium.hGlobal == nullptr) {
    return std::nullopt;
  }
  const auto drop = static_cast<HDROP>(medium.hGlobal);
  if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) != 1) {
    return std::nullopt;
  }
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  std::wstring path(length + 1, L'\0');
  path.resize(DragQueryFileW(drop, 0, path.data(), length + 1));
  if (path.empty()) {
    return std::nullopt;
  }
  return path;
}

HRESULT Label1DropTarget::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG Label1DropTarget::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG Label1DropTarget::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) {
    delete this;
  }
  return static_cast<ULONG>(left);
}

DWORD Label1DropTarget::Effect(DWORD allowed) const {
  return acceptable_ && (allowed & DROPEFFECT_COPY) != 0 ? DROPEFFECT_COPY
                                                         : DROPEFFECT_NONE;
}

HRESULT Label1DropTarget::DragEnter(IDataObject* data,
                                    DWORD,
                                    POINTL,
                                    DWORD* effect) {
  if (effect == nullptr) {
    return E_INVALIDARG;
  }
  acceptable_ = SingleDroppedFile(data).has_value();
  *effect = Effect(*effect);
  return S_OK;
}

HRESULT Label1DropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
  if (effect == nullptr) {
    return E_INVALIDARG;
  }
  *effect = Effect(*effect);
  return S_OK;
}

HRESULT Label1DropTarget::DragLeave() {
  acceptable_ = false;
  return S_OK;
}

HRESULT Label1DropTarget::Drop(IDataObject* data,
                               DWORD,
                               POINTL,
                               DWORD* effect) {
  if (effect == nullptr) {
    return E_INVALIDARG;
  }
  const auto path = SingleDroppedFile(data);
  acceptable_ = path.has_value();
  *effect = Effect(*effect);
  if (*effect == DROPEFFECT_COPY) {
    SetWindowTextW(label_, path->c_str());
  }
  acceptable_ = false;
  return S_OK;
}

}  // namespace vorundel::win32
