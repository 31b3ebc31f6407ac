#pragma once
// A registry held in memory: the registration target of the Linux library (where the class map
// itself is the registration) and of the tests, which read the tree back as text.
#include <map>
#include <memory>
#include <string>

#include "automation/server/RegistryWriter.h"

namespace quorvel::automation {

class MemoryRegistry : public RegistryWriter {
public:
    // Key and value names compare ASCII case-insensitively, as in the system registry; a name
    // keeps the spelling it was created with.
    HRESULT createKey(const std::string &key) override;
    // A missing key gives HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), as the system registry does.
    HRESULT setValue(const std::string &key, const std::string &name, const std::string &value) override;
    HRESULT deleteKeyTree(const std::string &key) override;
    HRESULT deleteValue(const std::string &key, const std::string &name) override;

    bool hasKey(const std::string &key) const;
    // Null when the key or the value is missing.
    const std::string *value(const std::string &key, const std::string &name) const;

    // The whole tree, one line per key (its full path) followed by one indented line per value
    // ("@" for the default value), keys and values in name order.
    std::string dump() const;

private:
    struct NoCaseLess {
        bool operator()(const std::string &a, const std::string &b) const;
    };
    struct Key {
        std::map<std::string, std::unique_ptr<Key>, NoCaseLess> children;
        std::map<std::string, std::string, NoCaseLess> values;
    };

    Key *find(const std::string &key) const;
    static void dumpKey(const Key &key, const std::string &path, std::string &out);

    Key m_root;
};

// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND): what the registry reports for a missing key.
inline constexpr HRESULT kRegistryKeyNotFound = static_cast<HRESULT>(0x80070002u);

}  // namespace quorvel::automation
