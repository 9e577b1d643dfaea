// The OLE drop target of Label1: takes a drag that carries exactly one
// file and puts that file's full path into the label.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <optional>
#include <string>

namespace vorundel::win32 {

// The full path when `data` holds a file list of exactly one file.
std::optional<std::wstring> SingleDroppedFile(IDataObject* data);

class Label1DropTarget final : public IDropTarget {
 public:
  explicit Label1DropTarget(HWND label) : label_(label) {}
  Label1DropTarget(const Label1DropTarget&) = delete;
  Label1DropTarget& operator=(const Label1DropTarget&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDropTarget
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data,
                                      DWORD keys,
                                      POINTL point,
                                      DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys,
                                     POINTL point,
                                     DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data,
                                 DWORD keys,
                                 POINTL point,
                                 DWORD* effect) override;

 private:
  ~Label1DropTarget() = default;
  // Copy when the drag can be taken and its source allows copying.
  DWORD Effect(DWORD allowed) const;

  LONG references_ = 1;
  HWND label_;
  bool acceptable_ = false;
};

}  // namespace vorundel::win32
