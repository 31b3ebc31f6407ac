// The control interfaces a container asks of an object it hosts: persistence (nothing to keep)
// and the control's own notifications (nothing to do).
#include <cstring>

#include "automation/server/GuidText.h"
#include "automation/server/ObjectShell.h"

namespace quorvel::automation {

// ---- IPersistStreamInit

HRESULT STDMETHODCALLTYPE ObjectShell::GetClassID(CLSID *clsid) {
    if (!clsid) return E_POINTER;
    *clsid = comGuid(*m_class.clsid);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::IsDirty() { return S_FALSE; }

HRESULT STDMETHODCALLTYPE ObjectShell::Load(IStream *stream) { return stream ? S_OK : E_POINTER; }

HRESULT STDMETHODCALLTYPE ObjectShell::Save(IStream *stream, BOOL) { return stream ? S_OK : E_POINTER; }

HRESULT STDMETHODCALLTYPE ObjectShell::GetSizeMax(ULARGE_INTEGER *size) {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::InitNew() { return S_OK; }

// ---- IOleControl

HRESULT STDMETHODCALLTYPE ObjectShell::GetControlInfo(CONTROLINFO *info) {
    if (!info) return E_POINTER;
    std::memset(info, 0, sizeof *info);
    info->cb = sizeof *info;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ObjectShell::OnMnemonic(MSG *) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE ObjectShell::OnAmbientPropertyChange(DISPID) { return S_OK; }

HRESULT STDMETHODCALLTYPE ObjectShell::FreezeEvents(BOOL) { return S_OK; }

}  // namespace quorvel::automation
