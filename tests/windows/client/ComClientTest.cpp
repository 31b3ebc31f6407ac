// A native client of the DLLs registered from C:\Quorvel (run by run_com_suites.sh), for what
// scripts and the in-process hosts cannot reach: the registry in full, the registered type
// library, class information, persistence through a stream, unloading through the DLL's exports,
// early binding and the date-time component's creation path.
#include <gtest/gtest.h>

#include <ocidl.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "QuorvelXml_h.h"  // the interfaces as widl declares them from the type library's IDL
#include "automation/generated/QuorvelMembers.h"
#include "automation/server/ClassRegistration.h"
#include "automation/server/GuidText.h"
#include "automation/server/MemoryRegistry.h"
#include "automation/server/win32/WideText.h"

namespace quorvel::automation {
namespace {

const char *const kFolder = "C:\\Quorvel\\";

// COM for the whole program, in a single-threaded apartment as script hosts use.
struct Apartment : ::testing::Environment {
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
};
[[maybe_unused]] const auto *const kApartment = ::testing::AddGlobalTestEnvironment(new Apartment);

template <class T>
struct Ref {
    T *p = nullptr;
    Ref() = default;
    Ref(const Ref &) = delete;
    ~Ref() {
        if (p) p->Release();
    }
    T **out() { return &p; }
    T *operator->() const { return p; }
};

HRESULT create(const CoClass &coClass, REFIID iid, void **object) {
    return CoCreateInstance(comGuid(coClass.clsid), nullptr, CLSCTX_INPROC_SERVER, iid, object);
}

DISPID dispidOf(const Interface &iface, const char *name) {
    for (const Member &member : iface.members)
        if (std::string(member.name) == name) return member.dispid;
    ADD_FAILURE() << name;
    return DISPID_UNKNOWN;
}

VARIANT text(const wchar_t *value) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(value);  // call() frees it
    return v;
}
VARIANT number(long value) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

// Calls a member by DISPID, the way a script host does; the result as text ("object" or "null").
std::wstring call(IDispatch *object, const Interface &iface, const char *name,
                  std::initializer_list<VARIANT> args = {}) {
    VARIANT reversed[8], result;
    UINT count = 0;
    for (const VARIANT &arg : args) reversed[args.size() - 1 - count++] = arg;
    DISPPARAMS params{reversed, nullptr, count, 0};
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT argError = 0;
    const WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    EXPECT_EQ(object->Invoke(dispidOf(iface, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result,
                             &exception, &argError), S_OK) << name;
    for (UINT i = 0; i < count; ++i) VariantClear(&reversed[i]);
    std::wstring out;
    if (result.vt == VT_BSTR && result.bstrVal) out = result.bstrVal;
    if (result.vt == VT_I4) out = std::to_wstring(result.lVal);
    if (result.vt == VT_DISPATCH) out = result.pdispVal ? L"object" : L"null";
    VariantClear(&result);
    return out;
}

// ---- the registry

void readKey(HKEY parent, const std::wstring &path, MemoryRegistry &into) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    const std::string name = utf8Text(path);
    into.createKey(name);
    wchar_t valueName[256], subkey[256];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = 256, dataSize = sizeof data - 2, type = 0;
        if (RegEnumValueW(key, i, valueName, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        data[dataSize] = data[dataSize + 1] = 0;
        into.setValue(name, utf8Text(valueName), utf8Text(reinterpret_cast<wchar_t *>(data)));
    }
    for (DWORD i = 0;; ++i) {
        DWORD size = 256;
        if (RegEnumKeyExW(key, i, subkey, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        readKey(parent, path + L"\\" + subkey, into);
    }
    RegCloseKey(key);
}

TEST(Registration, TheRegistryHoldsExactlyTheKeysOfEachClass) {
    MemoryRegistry expected, actual;
    ASSERT_EQ(registerAllClasses(expected, std::string(kFolder) + "QuorvelXml.dll"), S_OK);
    ASSERT_EQ(registerClass(expected, dateTimeClassRegistration(), kTypeLibrary, std::string(kFolder) + "QvDateTime.dll"),
              S_OK);
    for (const RegisteredClass *entry : {&registeredClasses()[0], &registeredClasses()[1], &registeredClasses()[2],
                                         &dateTimeClassRegistration()}) {
        readKey(HKEY_CLASSES_ROOT, wideText("CLSID\\" + guidText(entry->coClass->clsid)), actual);
        for (const ProgId &progId : entry->coClass->progIds) {
            readKey(HKEY_CLASSES_ROOT, wideText(progId.versioned), actual);
            readKey(HKEY_CLASSES_ROOT, wideText(progId.independent), actual);
        }
    }
    EXPECT_EQ(actual.dump(), expected.dump());
}

// ---- the type library

TEST(TypeLibrary, EveryMemberHasItsTableDispidInTheRegisteredLibrary) {
    Ref<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(comGuid(kTypeLibrary.libid), 1, 0, LANG_NEUTRAL, library.out()), S_OK);
    size_t checked = 0;
    for (const Interface *iface : kInterfaces) {
        Ref<ITypeInfo> info;
        ASSERT_EQ(library->GetTypeInfoOfGuid(comGuid(iface->iid), info.out()), S_OK) << iface->name;
        for (const Member &member : iface->members) {
            std::wstring name = wideText(member.name);
            LPOLESTR names[] = {name.data()};
            MEMBERID id = 0;
            EXPECT_EQ(info->GetIDsOfNames(names, 1, &id), S_OK) << iface->name << "." << member.name;
            EXPECT_EQ(id, member.dispid) << iface->name << "." << member.name;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 144u + 36u + 47u + 14u + 1u);
    for (const CoClass &coClass : kCoClasses) {
        Ref<ITypeInfo> info;
        EXPECT_EQ(library->GetTypeInfoOfGuid(comGuid(coClass.clsid), info.out()), S_OK) << coClass.name;
    }
}

// The vtable slot of each member side, in the order the objects lay their dual interfaces out.
TEST(TypeLibrary, TheLibrarysVtableLayoutIsTheObjectsSlotOrder) {
    Ref<ITypeLib> library;
    ASSERT_EQ(LoadRegTypeLib(comGuid(kTypeLibrary.libid), 1, 0, LANG_NEUTRAL, library.out()), S_OK);
    for (const Interface *iface : kInterfaces) {
        if (iface->kind != InterfaceKind::Dual) continue;
        Ref<ITypeInfo> dispatchSide, vtableSide;
        ASSERT_EQ(library->GetTypeInfoOfGuid(comGuid(iface->iid), dispatchSide.out()), S_OK);
        HREFTYPE reference = 0;
        ASSERT_EQ(dispatchSide->GetRefTypeOfImplType(-1, &reference), S_OK) << iface->name << " is dual";
        ASSERT_EQ(dispatchSide->GetRefTypeInfo(reference, vtableSide.out()), S_OK);
        struct Slot {
            MEMBERID id;
            INVOKEKIND kind;
        };
        std::vector<Slot> expected;
        for (const Member &member : iface->members) {
            if (member.kind == MemberKind::Method) expected.push_back({member.dispid, INVOKE_FUNC});
            if (member.kind == MemberKind::Get || member.kind == MemberKind::GetPut)
                expected.push_back({member.dispid, INVOKE_PROPERTYGET});
            if (member.kind == MemberKind::Put || member.kind == MemberKind::GetPut)
                expected.push_back({member.dispid, INVOKE_PROPERTYPUT});
        }
        TYPEATTR *attributes = nullptr;
        ASSERT_EQ(vtableSide->GetTypeAttr(&attributes), S_OK);
        ASSERT_EQ(attributes->cFuncs, expected.size()) << iface->name;
        vtableSide->ReleaseTypeAttr(attributes);
        for (UINT i = 0; i < expected.size(); ++i) {
            FUNCDESC *function = nullptr;
            ASSERT_EQ(vtableSide->GetFuncDesc(i, &function), S_OK);
            const size_t slot = static_cast<size_t>(function->oVft) / sizeof(void *);
            ASSERT_GE(slot, 7u);
            ASSERT_LT(slot - 7, expected.size());
            EXPECT_EQ(function->memid, expected[slot - 7].id) << iface->name << " slot " << slot;
            EXPECT_EQ(function->invkind, expected[slot - 7].kind) << iface->name << " slot " << slot;
            vtableSide->ReleaseFuncDesc(function);
        }
    }
}

// ---- the objects

TEST(Objects, TypeInformationComesFromTheRegisteredLibrary) {
    Ref<IDispatch> xml;
    ASSERT_EQ(create(kCoClasses[0], IID_IDispatch, reinterpret_cast<void **>(xml.out())), S_OK);
    UINT count = 0;
    ASSERT_EQ(xml->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    Ref<ITypeInfo> info;
    ASSERT_EQ(xml->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.out()), S_OK);
    BSTR name = nullptr;
    ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"IQuorvelXml");
    SysFreeString(name);
}

TEST(Objects, ClassInformationIsTheCoclassOfTheRegisteredLibrary) {
    for (const CoClass &coClass : kCoClasses) {
        Ref<IProvideClassInfo2> info;
        ASSERT_EQ(create(coClass, IID_IProvideClassInfo2, reinterpret_cast<void **>(info.out())), S_OK);
        Ref<ITypeInfo> classInfo;
        ASSERT_EQ(info->GetClassInfo(classInfo.out()), S_OK) << coClass.name;
        TYPEATTR *attributes = nullptr;
        ASSERT_EQ(classInfo->GetTypeAttr(&attributes), S_OK);
        EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
        EXPECT_TRUE(IsEqualGUID(attributes->guid, comGuid(coClass.clsid)));
        classInfo->ReleaseTypeAttr(attributes);
    }
}

TEST(Objects, AContainerSavesAndLoadsEachControlThroughAStream) {
    for (const CoClass &coClass : kCoClasses) {
        Ref<IPersistStreamInit> persist;
        ASSERT_EQ(create(coClass, IID_IPersistStreamInit, reinterpret_cast<void **>(persist.out())), S_OK);
        Ref<IStream> stream;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), S_OK);
        EXPECT_EQ(persist->InitNew(), S_OK);
        EXPECT_EQ(persist->Save(stream.p, TRUE), S_OK) << coClass.name;
        LARGE_INTEGER start{};
        ASSERT_EQ(stream->Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
        EXPECT_EQ(persist->Load(stream.p), S_OK) << coClass.name;
        Ref<IOleControl> control;
        ASSERT_EQ(persist->QueryInterface(IID_IOleControl, reinterpret_cast<void **>(control.out())), S_OK);
        EXPECT_EQ(control->OnAmbientPropertyChange(DISPID_UNKNOWN), S_OK);
    }
}

TEST(Objects, TheModuleUnloadsThroughItsExportsOnlyWhenNothingIsLeft) {
    HMODULE module = LoadLibraryW(L"C:\\Quorvel\\QuorvelXml.dll");
    ASSERT_NE(module, nullptr);
    auto getClassObject = reinterpret_cast<HRESULT(WINAPI *)(REFCLSID, REFIID, void **)>(
        reinterpret_cast<void *>(GetProcAddress(module, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<HRESULT(WINAPI *)()>(reinterpret_cast<void *>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_TRUE(getClassObject && canUnload);
    for (const CoClass &coClass : kCoClasses) {
        IClassFactory *factory = nullptr;
        ASSERT_EQ(getClassObject(comGuid(coClass.clsid), IID_IClassFactory, reinterpret_cast<void **>(&factory)), S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);  // the class object counts
        IDispatch *object = nullptr;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void **>(&object)), S_OK);
        factory->Release();
        EXPECT_EQ(canUnload(), S_FALSE) << coClass.name;  // the object is alive
        object->Release();
        EXPECT_EQ(canUnload(), S_OK) << coClass.name;
    }
    FreeLibrary(module);
}

// ---- early binding: the interfaces' own vtables, as a client built against the type library calls them

TEST(EarlyBinding, TheDualInterfacesAnswerThroughTheirVtables) {
    Ref<::IQuorvelXml> xml;
    ASSERT_EQ(CoCreateInstance(comGuid(kCoClasses[0].clsid), nullptr, CLSCTX_INPROC_SERVER,
                               comGuid(kIQuorvelXml.iid), reinterpret_cast<void **>(xml.out())), S_OK);
    BSTR document = SysAllocString(L"<r><a>x</a><b>caf\u00e9</b></r>");
    long ok = 0;
    ASSERT_EQ(xml->LoadXml(document, &ok), S_OK);
    SysFreeString(document);
    EXPECT_EQ(ok, 1);
    long children = 0;
    ASSERT_EQ(xml->get_NumChildren(&children), S_OK);
    EXPECT_EQ(children, 2);
    Ref<::IQuorvelXml> second;
    ASSERT_EQ(xml->GetChild(1, second.out()), S_OK);
    ASSERT_NE(second.p, nullptr);
    BSTR content = nullptr;
    ASSERT_EQ(second->get_Content(&content), S_OK);
    EXPECT_STREQ(content, L"caf\u00e9");
    SysFreeString(content);
    BSTR missing = SysAllocString(L"missing");
    BSTR none = reinterpret_cast<BSTR>(1);
    ASSERT_EQ(xml->GetChildContent(missing, &none), S_OK);
    SysFreeString(missing);
    EXPECT_EQ(none, nullptr);  // a null string, as the binding gives it

    // A variant argument and a variant result: bytes in, the same bytes out.
    SAFEARRAY *array = SafeArrayCreateVector(VT_UI1, 0, 3);
    std::memcpy(array->pvData, "\x01\x02\x03", 3);
    VARIANT bytes;
    bytes.vt = VT_ARRAY | VT_UI1;
    bytes.parray = array;
    BSTR noPassword = SysAllocString(L"");
    ASSERT_EQ(second->SetBinaryContent(bytes, 1, 0, noPassword, &ok), S_OK);
    EXPECT_EQ(ok, 1);
    VariantClear(&bytes);
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(second->GetBinaryContent(1, 0, noPassword, &out), S_OK);
    SysFreeString(noPassword);
    ASSERT_EQ(out.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(out.parray->rgsabound[0].cElements, 3u);
    EXPECT_EQ(std::memcmp(out.parray->pvData, "\x01\x02\x03", 3), 0);
    VariantClear(&out);

    // Dates through the Atom and date-time interfaces.
    Ref<::IQuorvelAtom> atom;
    ASSERT_EQ(CoCreateInstance(comGuid(kCoClasses[2].clsid), nullptr, CLSCTX_INPROC_SERVER,
                               comGuid(kIQuorvelAtom.iid), reinterpret_cast<void **>(atom.out())), S_OK);
    ASSERT_EQ(atom->NewFeed(), S_OK);
    BSTR updated = SysAllocString(L"updated"), when = SysAllocString(L"2024-07-01T12:00:00Z");
    long index = -1;
    ASSERT_EQ(atom->AddElementDateStr(updated, when, &index), S_OK);
    EXPECT_EQ(index, 0);
    Ref<::IQvDateTime> stamp;
    ASSERT_EQ(atom->GetElementDt(updated, 0, stamp.out()), S_OK);
    ASSERT_NE(stamp.p, nullptr);
    long unixTime = 0;
    ASSERT_EQ(stamp->GetAsUnixTime(0, &unixTime), S_OK);
    EXPECT_EQ(unixTime, 1719835200);
    DATE date = 0;
    ASSERT_EQ(atom->GetElementDate(updated, 0, &date), S_OK);
    EXPECT_DOUBLE_EQ(date, 45474.5);  // 1 July 2024, noon
    SysFreeString(updated);
    SysFreeString(when);
}

// ---- the date-time component, unregistered and registered again

TEST(DateTime, TheAtomObjectTriesTwiceThenLogsWhyWhenTheComponentIsMissing) {
    HMODULE component = LoadLibraryW(L"C:\\Quorvel\\QvDateTime.dll");
    ASSERT_NE(component, nullptr);
    using Entry = HRESULT(WINAPI *)();
    auto unregister = reinterpret_cast<Entry>(reinterpret_cast<void *>(GetProcAddress(component, "DllUnregisterServer")));
    auto reregister = reinterpret_cast<Entry>(reinterpret_cast<void *>(GetProcAddress(component, "DllRegisterServer")));
    ASSERT_TRUE(unregister && reregister);

    Ref<IDispatch> atom;
    ASSERT_EQ(create(kCoClasses[2], IID_IDispatch, reinterpret_cast<void **>(atom.out())), S_OK);
    call(atom.p, kIQuorvelAtom, "NewFeed");
    call(atom.p, kIQuorvelAtom, "AddElementDateStr", {text(L"updated"), text(L"2024-07-01T12:00:00Z")});

    ASSERT_EQ(unregister(), S_OK);
    EXPECT_EQ(call(atom.p, kIQuorvelAtom, "GetElementDt", {text(L"updated"), number(0)}), L"null");
    const std::wstring missing = call(atom.p, kIQuorvelAtom, "LastErrorText");
    for (const wchar_t *piece : {L"CoCreateInstance (QvDateTime) 1st try failed.", L"Failed.",
                                 L"A specified class is not registered", L"CoCreateInstance (QvDateTime) 2nd try failed."})
        EXPECT_NE(missing.find(piece), std::wstring::npos) << missing;

    ASSERT_EQ(reregister(), S_OK);
    EXPECT_EQ(call(atom.p, kIQuorvelAtom, "GetElementDt", {text(L"updated"), number(0)}), L"object");
    const std::wstring found = call(atom.p, kIQuorvelAtom, "LastErrorText");
    EXPECT_EQ(found.find(L"1st try failed"), std::wstring::npos) << found;
    EXPECT_NE(found.find(L"Success."), std::wstring::npos);
    FreeLibrary(component);
}

}  // namespace
}  // namespace quorvel::automation
