// Win32 only: the program's side of a drag out of the result list.
#pragma once

#include <ole2.h>

namespace ostrya {

// Made with a count of 1 by `new` and deleted by the Release that brings it to 0.
class DropSource final : public IDropSource {
 public:
  DropSource() = default;
  DropSource(const DropSource&) = delete;
  DropSource& operator=(const DropSource&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

 private:
  ~DropSource() = default;
  LONG references_ = 1;
};

}  // namespace ostrya
