#pragma once
// The automation objects: the shared frame with one embedded internal object, whose dispatch
// calls go to the member table of its class. The internal object lives exactly as long as the
// automation object and is made after the frame.
#include "automation/generated/QuorvelDual.h"
#include "automation/server/ObjectShell.h"
#include "datetime/ClsDateTime.h"
#include "feeds/ClsAtom.h"
#include "feeds/ClsRss.h"
#include "xml/object/ClsXml.h"

namespace quorvel::automation {

template <class Internal>
class ServerObject final : public ObjectShell {
public:
    // The class objects' creation: alone (any interface), or aggregated (IUnknown only, the
    // inner unknown comes back). E_OUTOFMEMORY when the object or its internal one cannot be
    // made.
    static HRESULT create(IUnknown *outer, REFIID iid, void **object);
    // A standalone object with one reference, for object results; null when memory runs out.
    static ServerObject *createStandalone(ServerModule &module);

    Internal &internal() { return m_internal; }

    // IID_NULL only (DISP_E_UNKNOWNINTERFACE otherwise); names and calls by the member table.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID lcid,
                                            DISPID *ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS *params,
                                     VARIANT *result, EXCEPINFO *exception, UINT *argumentError) override;

    IDispatch *dualInterface() override { return &m_dual; }

    ClsXml *internalXml() override;
    ClsRss *internalRss() override;
    ClsAtom *internalAtom() override;

    // Objects for object results. A date-time object has no object results and makes none,
    // which keeps the date-time component free of the document classes.
    IDispatch *newXmlObject() override;
    IDispatch *newRssObject() override;
    IDispatch *newAtomObject() override;

private:
    ServerObject(IUnknown *outer, ServerModule &module);
    ~ServerObject() override = default;
    bool ready() const;
    template <class Result>
    IDispatch *newResultObject();

    Internal m_internal;
    // The vtable part of the dual interface; its calls come back through Invoke.
    typename DualOf<Internal>::type m_dual{static_cast<IDispatch &>(*this)};
};

using XmlObject = ServerObject<ClsXml>;
using RssObject = ServerObject<ClsRss>;
using AtomObject = ServerObject<ClsAtom>;
// The date-time class, served by this library where no separate component provides it.
using DateTimeObject = ServerObject<ClsDateTime>;

extern template class ServerObject<ClsXml>;
extern template class ServerObject<ClsRss>;
extern template class ServerObject<ClsAtom>;
extern template class ServerObject<ClsDateTime>;  // DateTimeClass.cpp

}  // namespace quorvel::automation
