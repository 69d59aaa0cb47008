// Win32 only: the program's side of a drag out of the result list.
#include "ui/drop_source.h"

namespace ostrya {

HRESULT STDMETHODCALLTYPE DropSource::QueryInterface(REFIID interfaceId, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IDropSource)) {
    *object = static_cast<IDropSource*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The drag runs on the window's thread, but the count is kept as COM expects of any object.
ULONG STDMETHODCALLTYPE DropSource::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE DropSource::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// The drop happens when the last mouse button that could have started the drag goes up.
HRESULT STDMETHODCALLTYPE DropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
  if (escapePressed) return DRAGDROP_S_CANCEL;
  if ((keyState & (MK_LBUTTON | MK_RBUTTON)) == 0) return DRAGDROP_S_DROP;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DropSource::GiveFeedback(DWORD) {
  return DRAGDROP_S_USEDEFAULTCURSORS;
}

}  // namespace ostrya
