#pragma once
// The four registry operations the registration logic needs. Keys are paths under the classes
// root with '\' between the parts; a value named "" is the key's default value. The Windows DLL
// writes through the system registry, the Linux library and the tests through MemoryRegistry.
#include <string>

#include "automation/com/Com.h"

namespace quorvel::automation {

class RegistryWriter {
public:
    virtual ~RegistryWriter() = default;

    // Creates the key and any missing parents; an existing key is kept as it is.
    virtual HRESULT createKey(const std::string &key) = 0;
    // Sets a text value on an existing key.
    virtual HRESULT setValue(const std::string &key, const std::string &name, const std::string &value) = 0;
    // Removes the key with everything below it; a missing key is no error.
    virtual HRESULT deleteKeyTree(const std::string &key) = 0;
    // Removes one value; a missing key or value is no error.
    virtual HRESULT deleteValue(const std::string &key, const std::string &name) = 0;
};

}  // namespace quorvel::automation
