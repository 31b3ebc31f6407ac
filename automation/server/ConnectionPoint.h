#pragma once
// One outgoing interface of an object: advisers come and go by cookie. The point lives inside
// its object and counts its references on the object's controlling unknown, so a caller holding
// the point keeps the object alive.
#include <vector>

#include "automation/com/Com.h"

namespace quorvel::automation {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(const IID &iid, IConnectionPointContainer &container) : m_iid(iid), m_container(container) {}
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint &) = delete;
    ConnectionPoint &operator=(const ConnectionPoint &) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return m_container.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_container.Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID *iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer **container) override;
    // The sink is asked for the point's interface and that pointer is held until Unadvise;
    // CONNECT_E_CANNOTCONNECT when it has none.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown *sink, DWORD *cookie) override;
    // CONNECT_E_NOCONNECTION for a cookie that is not advised.
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    // Enumerating advisers is optional for a connection point; nothing here needs it.
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections **connections) override;

    const IID &iid() const { return m_iid; }
    size_t adviserCount() const { return m_advisers.size(); }

private:
    struct Adviser {
        DWORD cookie;
        IUnknown *sink;
    };

    IID m_iid;
    IConnectionPointContainer &m_container;
    std::vector<Adviser> m_advisers;
    DWORD m_lastCookie = 0;
};

// A snapshot of an object's connection points, each held with a reference.
class ConnectionPointEnumerator final : public IEnumConnectionPoints {
public:
    // Null when memory runs out. The points are AddRef'ed.
    static ConnectionPointEnumerator *create(IConnectionPoint *const *points, size_t count, size_t position = 0);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint **points, ULONG *fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints **copy) override;

private:
    ConnectionPointEnumerator() = default;
    ~ConnectionPointEnumerator();

    std::vector<IConnectionPoint *> m_points;
    size_t m_position = 0;
    ULONG m_references = 1;
};

}  // namespace quorvel::automation
