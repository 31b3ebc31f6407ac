#include "tests/automation/com/ComTestSupport.h"

#include <gtest/gtest.h>

// Server-side implementations of the interfaces a server answers, written once: they compile only
// where every signature matches the declaration (override), here and against the system's headers
// in the Windows build. Each method returns its vtable slot, and a C-style call through the slot
// number must reach it.

namespace quorvel::comtest {
namespace {

#define TEST_UNKNOWN_METHODS                                                                                  \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override {                                \
        *object = nullptr;                                                                                    \
        return E_NOINTERFACE;                                                                                 \
    }                                                                                                         \
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }                                                   \
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

struct ClassInfo : IProvideClassInfo2 {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo **) override { return 3; }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD, GUID *) override { return 4; }
};

struct ErrorInfoSupport : ISupportErrorInfo {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID) override { return 3; }
};

struct Points : IConnectionPointContainer {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints **) override { return 3; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID, IConnectionPoint **) override { return 4; }
};

struct Point : IConnectionPoint {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID *) override { return 3; }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer **) override { return 4; }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown *, DWORD *) override { return 5; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return 6; }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections **) override { return 7; }
};

struct Connections : IEnumConnections {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE Next(ULONG, CONNECTDATA *, ULONG *) override { return 3; }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return 4; }
    HRESULT STDMETHODCALLTYPE Reset() override { return 5; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnections **) override { return 6; }
};

struct Safety : IObjectSafety {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID, DWORD *, DWORD *) override { return 3; }
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID, DWORD, DWORD) override { return 4; }
};

struct Site : IOleClientSite {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE SaveObject() override { return 3; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker **) override { return 4; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer **) override { return 5; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return 6; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return 7; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return 8; }
};

struct Services : IServiceProvider {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID, void **) override { return 3; }
};

struct Embedding : IOleObject {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite *) override { return 3; }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite **) override { return 4; }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return 5; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override { return 6; }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker *) override { return 7; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker **) override { return 8; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject *, BOOL, DWORD) override { return 9; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject **) override { return 10; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite *, LONG, HWND, LPCRECT) override { return 11; }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB **) override { return 12; }
    HRESULT STDMETHODCALLTYPE Update() override { return 13; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return 14; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID *) override { return 15; }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR *) override { return 16; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL *) override { return 17; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL *) override { return 18; }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink *, DWORD *) override { return 19; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return 20; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA **) override { return 21; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD *) override { return 22; }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE *) override { return 23; }
};

struct Factory : IClassFactory {
    TEST_UNKNOWN_METHODS
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *, REFIID, void **) override { return 3; }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return 4; }
};

// Calls vtable slot `slot` of an interface pointer the way a C caller does.
template <class... Args>
HRESULT callSlot(IUnknown *object, int slot, Args... args) {
    using Method = HRESULT(STDMETHODCALLTYPE *)(IUnknown *, Args...);
    void **vtable = *reinterpret_cast<void ***>(object);
    return reinterpret_cast<Method>(vtable[slot])(object, args...);
}

TEST(InterfaceShape, SlotsAreInWindowsOrder) {
    ClassInfo classInfo;
    ErrorInfoSupport errorInfo;
    Points points;
    Point point;
    Connections connections;
    Safety safety;
    Site site;
    Services services;
    Embedding embedding;
    Factory factory;
    void *none = nullptr;
    GUID guid{};
    DWORD number = 0;
    // Each slot past IUnknown's three is called and must answer with its own number.
    EXPECT_EQ(callSlot(&classInfo, 3, &none), 3);
    EXPECT_EQ(callSlot(&classInfo, 4, DWORD{1}, &guid), 4);
    EXPECT_EQ(callSlot(&errorInfo, 3, &IID_IDispatch), 3);
    EXPECT_EQ(callSlot(&points, 3, &none), 3);
    EXPECT_EQ(callSlot(&points, 4, &IID_IDispatch, &none), 4);
    EXPECT_EQ(callSlot(&point, 3, &guid), 3);
    EXPECT_EQ(callSlot(&point, 4, &none), 4);
    EXPECT_EQ(callSlot(&point, 5, none, &number), 5);
    EXPECT_EQ(callSlot(&point, 6, DWORD{1}), 6);
    EXPECT_EQ(callSlot(&point, 7, &none), 7);
    EXPECT_EQ(callSlot(&connections, 3, ULONG{1}, none, none), 3);
    EXPECT_EQ(callSlot(&connections, 4, ULONG{1}), 4);
    EXPECT_EQ(callSlot(&connections, 5), 5);
    EXPECT_EQ(callSlot(&connections, 6, &none), 6);
    EXPECT_EQ(callSlot(&safety, 3, &IID_IDispatch, &number, &number), 3);
    EXPECT_EQ(callSlot(&safety, 4, &IID_IDispatch, DWORD{1}, DWORD{1}), 4);
    for (int slot : {3, 5, 6, 8}) EXPECT_EQ(callSlot(&site, slot), slot);
    EXPECT_EQ(callSlot(&site, 4, DWORD{0}, DWORD{0}, &none), 4);
    EXPECT_EQ(callSlot(&site, 7, BOOL{1}), 7);
    EXPECT_EQ(callSlot(&services, 3, &guid, &IID_IDispatch, &none), 3);
    EXPECT_EQ(callSlot(&factory, 3, none, &IID_IDispatch, &none), 3);
    EXPECT_EQ(callSlot(&factory, 4, BOOL{1}), 4);
    // IDispatch after IUnknown: GetTypeInfoCount in slot 3, Invoke in slot 6.
    CountedObject dispatch;
    dispatch.value = 99;
    UINT count = 7;
    EXPECT_EQ(callSlot(&dispatch, 3, &count), S_OK);
    EXPECT_EQ(count, 0u);
    DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
    Var result;
    EXPECT_EQ(callSlot(&dispatch, 6, DISPID_VALUE, &IID_NULL, LCID{0}, WORD{DISPATCH_PROPERTYGET}, &noArguments,
                       static_cast<VARIANT *>(&result), static_cast<EXCEPINFO *>(nullptr), static_cast<UINT *>(nullptr)),
              S_OK);
    EXPECT_EQ(describe(result), "I4:99");
    // IOleObject: the pointer-argument slots, the argument-less ones and the last.
    for (int slot : {3, 4, 12, 15, 21, 23}) EXPECT_EQ(callSlot(&embedding, slot, none), slot);
    for (int slot : {13, 14}) EXPECT_EQ(callSlot(&embedding, slot), slot);
    EXPECT_EQ(callSlot(&embedding, 11, LONG{0}, none, none, LONG{0}, none, none), 11);
    EXPECT_EQ(callSlot(&embedding, 22, DWORD{1}, &number), 22);
}

}  // namespace
}  // namespace quorvel::comtest
