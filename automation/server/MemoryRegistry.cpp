#include "automation/server/MemoryRegistry.h"

#include <algorithm>
#include <new>
#include <vector>

namespace quorvel::automation {
namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The parts of a key path; empty parts (doubled or outer separators) are dropped.
std::vector<std::string> keyParts(const std::string &key) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= key.size()) {
        size_t end = key.find('\\', start);
        if (end == std::string::npos) end = key.size();
        if (end > start) parts.push_back(key.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

bool MemoryRegistry::NoCaseLess::operator()(const std::string &a, const std::string &b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lowerAscii(x) < lowerAscii(y); });
}

MemoryRegistry::Key *MemoryRegistry::find(const std::string &key) const {
    const Key *node = &m_root;
    for (const std::string &part : keyParts(key)) {
        auto child = node->children.find(part);
        if (child == node->children.end()) return nullptr;
        node = child->second.get();
    }
    return const_cast<Key *>(node);
}

HRESULT MemoryRegistry::createKey(const std::string &key) {
    try {
        std::vector<std::string> parts = keyParts(key);
        if (parts.empty()) return E_INVALIDARG;
        Key *node = &m_root;
        for (const std::string &part : parts) {
            std::unique_ptr<Key> &child = node->children[part];
            if (!child) child = std::make_unique<Key>();
            node = child.get();
        }
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT MemoryRegistry::setValue(const std::string &key, const std::string &name, const std::string &value) {
    try {
        Key *node = find(key);
        if (!node || node == &m_root) return kRegistryKeyNotFound;
        auto found = node->values.find(name);
        if (found != node->values.end()) {
            found->second = value;
        } else {
            node->values.emplace(name, value);
        }
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT MemoryRegistry::deleteKeyTree(const std::string &key) {
    try {
        std::vector<std::string> parts = keyParts(key);
        if (parts.empty()) return E_INVALIDARG;
        std::string leaf = parts.back();
        parts.pop_back();
        Key *parent = &m_root;
        for (const std::string &part : parts) {
            auto child = parent->children.find(part);
            if (child == parent->children.end()) return S_OK;
            parent = child->second.get();
        }
        parent->children.erase(leaf);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT MemoryRegistry::deleteValue(const std::string &key, const std::string &name) {
    try {
        if (Key *node = find(key)) node->values.erase(name);
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

bool MemoryRegistry::hasKey(const std::string &key) const {
    return !keyParts(key).empty() && find(key) != nullptr;
}

const std::string *MemoryRegistry::value(const std::string &key, const std::string &name) const {
    Key *node = find(key);
    if (!node) return nullptr;
    auto found = node->values.find(name);
    return found == node->values.end() ? nullptr : &found->second;
}

void MemoryRegistry::dumpKey(const Key &key, const std::string &path, std::string &out) {
    for (const auto &[name, value] : key.values) out += "  " + (name.empty() ? std::string("@") : name) + " = " + value + "\n";
    for (const auto &[name, child] : key.children) {
        std::string childPath = path.empty() ? name : path + "\\" + name;
        out += childPath + "\n";
        dumpKey(*child, childPath, out);
    }
}

std::string MemoryRegistry::dump() const {
    std::string out;
    dumpKey(m_root, "", out);
    return out;
}

}  // namespace quorvel::automation
