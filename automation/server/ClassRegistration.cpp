#include "automation/server/ClassRegistration.h"

#include <cstdio>
#include <new>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/GuidText.h"

namespace quorvel::automation {
namespace {

constexpr RegisteredClass kRegisteredClasses[] = {
    {&kCoClasses[0], kCoClasses[0].toolboxBitmap},
    {&kCoClasses[1], kCoClasses[1].toolboxBitmap},
    {&kCoClasses[2], kCoClasses[2].toolboxBitmap},
};

constexpr CoClass kDateTimeCoClass{kQvDateTimeClass.name, kQvDateTimeClass.clsid, kQvDateTimeClass.name,
                                   &kIQvDateTime, nullptr, {}, 0, 0};
constexpr RegisteredClass kDateTimeRegistration{&kDateTimeCoClass, 0, false};

// The steps of one registration: once a step fails, the later ones are skipped and its result
// is the registration's.
class Steps {
public:
    explicit Steps(RegistryWriter &registry) : m_registry(registry) {}

    // The key, with its default value unless value is null.
    void key(const std::string &path, const char *value = nullptr) {
        run([&] { return m_registry.createKey(path); });
        if (value) run([&] { return m_registry.setValue(path, "", value); });
    }
    // A key registration replaces whole: whatever was below it goes first.
    void freshKey(const std::string &path, const char *value = nullptr) {
        run([&] { return m_registry.deleteKeyTree(path); });
        key(path, value);
    }
    void value(const std::string &path, const char *name, const char *value) {
        run([&] { return m_registry.setValue(path, name, value); });
    }

    HRESULT result() const { return m_result; }

private:
    template <class Step>
    void run(Step step) {
        if (SUCCEEDED(m_result)) m_result = step();
    }

    RegistryWriter &m_registry;
    HRESULT m_result = S_OK;
};

void writeProgId(Steps &steps, const RegisteredClass &entry, const std::string &clsid, const char *name,
                 const char *curVer) {
    std::string key = name;
    steps.key(key, entry.coClass->description);
    steps.key(key + "\\CLSID", clsid.c_str());
    if (curVer) steps.key(key + "\\CurVer", curVer);
    if (entry.toolboxBitmap != 0) steps.freshKey(key + "\\Insertable");
}

HRESULT registerUnchecked(RegistryWriter &registry, const RegisteredClass &entry, const TypeLibrary &library,
                          const std::string &modulePath) {
    const CoClass &coClass = *entry.coClass;
    const std::string clsid = guidText(coClass.clsid);
    Steps steps(registry);
    for (const ProgId &progId : coClass.progIds) {
        writeProgId(steps, entry, clsid, progId.versioned, nullptr);
        writeProgId(steps, entry, clsid, progId.independent, progId.versioned);
    }

    const std::string key = "CLSID\\" + clsid;
    steps.key(key, coClass.description);
    if (!coClass.progIds.empty()) {
        steps.key(key + "\\ProgID", coClass.progIds[0].versioned);
        steps.key(key + "\\VersionIndependentProgID", coClass.progIds[0].independent);
    }
    if (entry.control) steps.freshKey(key + "\\Programmable");
    steps.key(key + "\\InprocServer32", modulePath.c_str());
    steps.value(key + "\\InprocServer32", "ThreadingModel", "Apartment");
    if (entry.control) steps.freshKey(key + "\\Control");
    if (entry.toolboxBitmap != 0) {
        steps.freshKey(key + "\\Insertable");
        const std::string bitmap = modulePath + ", " + std::to_string(entry.toolboxBitmap);
        steps.freshKey(key + "\\ToolboxBitmap32", bitmap.c_str());
        steps.key(key + "\\MiscStatus", "0");
        steps.key(key + "\\MiscStatus\\1", "132497");
    }
    steps.key(key + "\\TypeLib", guidText(library.libid).c_str());
    char version[24];
    std::snprintf(version, sizeof version, "%d.%d", library.majorVersion, library.minorVersion);
    steps.key(key + "\\Version", version);
    return steps.result();
}

HRESULT unregisterUnchecked(RegistryWriter &registry, const RegisteredClass &entry) {
    HRESULT first = S_OK;
    auto remove = [&](const std::string &key) {
        HRESULT hr = registry.deleteKeyTree(key);
        if (SUCCEEDED(first) && FAILED(hr)) first = hr;
    };
    remove("CLSID\\" + guidText(entry.coClass->clsid));
    for (const ProgId &progId : entry.coClass->progIds) {
        remove(progId.versioned);
        remove(progId.independent);
    }
    return first;
}

}  // namespace

std::span<const RegisteredClass> registeredClasses() { return kRegisteredClasses; }

const RegisteredClass &dateTimeClassRegistration() { return kDateTimeRegistration; }

HRESULT registerClass(RegistryWriter &registry, const RegisteredClass &entry, const TypeLibrary &library,
                      const std::string &modulePath) {
    try {
        return registerUnchecked(registry, entry, library, modulePath);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
}

HRESULT unregisterClass(RegistryWriter &registry, const RegisteredClass &entry) {
    try {
        return unregisterUnchecked(registry, entry);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
}

HRESULT registerAllClasses(RegistryWriter &registry, const std::string &modulePath) {
    for (const RegisteredClass &entry : kRegisteredClasses) {
        HRESULT hr = registerClass(registry, entry, kTypeLibrary, modulePath);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT unregisterAllClasses(RegistryWriter &registry) {
    HRESULT first = S_OK;
    for (const RegisteredClass &entry : kRegisteredClasses) {
        HRESULT hr = unregisterClass(registry, entry);
        if (SUCCEEDED(first) && FAILED(hr)) first = hr;
    }
    return first;
}

}  // namespace quorvel::automation
