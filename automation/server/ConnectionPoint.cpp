#include "automation/server/ConnectionPoint.h"

#include <new>

namespace quorvel::automation {

ConnectionPoint::~ConnectionPoint() {
    for (const Adviser &adviser : m_advisers) adviser.sink->Release();
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::QueryInterface(REFIID iid, void **object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *object = static_cast<IConnectionPoint *>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::GetConnectionInterface(IID *iid) {
    if (!iid) return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer **container) {
    if (!container) return E_POINTER;
    m_container.AddRef();
    *container = &m_container;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Advise(IUnknown *sink, DWORD *cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    void *typed = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, &typed)) || !typed) return CONNECT_E_CANNOTCONNECT;
    IUnknown *held = static_cast<IUnknown *>(typed);
    DWORD next = m_lastCookie + 1;
    if (next == 0) next = 1;  // 0 is never a cookie
    try {
        m_advisers.push_back({next, held});
    } catch (const std::bad_alloc &) {
        held->Release();
        return E_OUTOFMEMORY;
    }
    m_lastCookie = next;
    *cookie = next;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = m_advisers.begin(); it != m_advisers.end(); ++it) {
        if (it->cookie != cookie) continue;
        IUnknown *sink = it->sink;
        m_advisers.erase(it);
        sink->Release();  // may call back into the object: the list is already consistent
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::EnumConnections(IEnumConnections **connections) {
    if (!connections) return E_POINTER;
    *connections = nullptr;
    return E_NOTIMPL;
}

ConnectionPointEnumerator *ConnectionPointEnumerator::create(IConnectionPoint *const *points, size_t count,
                                                             size_t position) {
    ConnectionPointEnumerator *enumerator = new (std::nothrow) ConnectionPointEnumerator();
    if (!enumerator) return nullptr;
    try {
        enumerator->m_points.assign(points, points + count);
    } catch (const std::bad_alloc &) {
        delete enumerator;
        return nullptr;
    }
    for (IConnectionPoint *point : enumerator->m_points) point->AddRef();
    enumerator->m_position = position;
    return enumerator;
}

ConnectionPointEnumerator::~ConnectionPointEnumerator() {
    for (IConnectionPoint *point : m_points) point->Release();
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::QueryInterface(REFIID iid, void **object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumConnectionPoints)) {
        *object = static_cast<IEnumConnectionPoints *>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ConnectionPointEnumerator::AddRef() { return ++m_references; }

ULONG STDMETHODCALLTYPE ConnectionPointEnumerator::Release() {
    ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::Next(ULONG count, IConnectionPoint **points, ULONG *fetched) {
    if (!points || (count > 1 && !fetched)) return E_POINTER;
    ULONG given = 0;
    while (given < count && m_position < m_points.size()) {
        points[given] = m_points[m_position++];
        points[given]->AddRef();
        ++given;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::Skip(ULONG count) {
    size_t left = m_points.size() - m_position;
    if (count > left) {
        m_position = m_points.size();
        return S_FALSE;
    }
    m_position += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPointEnumerator::Clone(IEnumConnectionPoints **copy) {
    if (!copy) return E_POINTER;
    *copy = create(m_points.data(), m_points.size(), m_position);
    return *copy ? S_OK : E_OUTOFMEMORY;
}

}  // namespace quorvel::automation
