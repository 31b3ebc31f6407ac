#pragma once
// The registry writer of the Windows DLLs: keys under HKEY_CLASSES_ROOT, names and values as
// UTF-8 text turned into the registry's UTF-16.
#include "automation/server/RegistryWriter.h"

namespace quorvel::automation {

class SystemRegistry final : public RegistryWriter {
public:
    HRESULT createKey(const std::string &key) override;
    HRESULT setValue(const std::string &key, const std::string &name, const std::string &value) override;
    HRESULT deleteKeyTree(const std::string &key) override;
    HRESULT deleteValue(const std::string &key, const std::string &name) override;
};

// Whether HKEY_CLASSES_ROOT holds the key.
bool classesKeyExists(const std::string &key);

}  // namespace quorvel::automation
