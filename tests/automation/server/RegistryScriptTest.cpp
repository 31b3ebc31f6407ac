// The registry scripts the Windows DLL carries as resources describe exactly the keys its
// registration code writes: each script is read here as the system's registrar reads it.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/ClassRegistration.h"
#include "automation/server/MemoryRegistry.h"

namespace quorvel::automation {
namespace {

constexpr const char *kModule = "C:\\Program Files\\Quorvel\\QuorvelXml.dll";

// The script's words: a quoted name (quotes kept), a braced GUID, a brace or '=', or a plain word.
std::vector<std::string> tokens(const std::string &script) {
    static const std::regex word(R"('[^']*'|\{[^\s}]*\}|[{}=]|[^\s=]+)");
    std::vector<std::string> out;
    for (auto at = std::sregex_iterator(script.begin(), script.end(), word); at != std::sregex_iterator(); ++at)
        out.push_back(at->str());
    return out;
}

std::string unquoted(const std::string &word) {
    return word.size() >= 2 && word.front() == '\'' ? word.substr(1, word.size() - 2) : word;
}

std::string withModule(std::string text) {
    const size_t at = text.find("%MODULE%");
    if (at != std::string::npos) text.replace(at, 8, kModule);
    return text;
}

// Applies the entries between the braces at `at` to the keys below `parent`.
void apply(const std::vector<std::string> &words, size_t &at, const std::string &parent, MemoryRegistry &registry) {
    ASSERT_EQ(words.at(at++), "{");
    while (words.at(at) != "}") {
        bool isValue = false;
        while (words[at] == "NoRemove" || words[at] == "ForceRemove" || words[at] == "val") isValue |= words[at++] == "val";
        const std::string name = unquoted(words[at++]);
        const std::string key = parent.empty() ? name : parent + "\\" + name;
        std::string value;
        const bool hasValue = words[at] == "=";
        if (hasValue) {
            ASSERT_EQ(words.at(at + 1), "s");
            value = withModule(unquoted(words.at(at + 2)));
            at += 3;
        }
        if (isValue) {
            ASSERT_EQ(registry.setValue(parent, name, value), S_OK);
            continue;
        }
        ASSERT_EQ(registry.createKey(key), S_OK);
        if (hasValue) {
            ASSERT_EQ(registry.setValue(key, "", value), S_OK);
        }
        if (words[at] == "{") apply(words, at, key, registry);
    }
    ++at;
}

TEST(RegistryScript, EachClassScriptWritesWhatItsRegistrationWrites) {
    for (const RegisteredClass &entry : registeredClasses()) {
        SCOPED_TRACE(entry.coClass->name);
        std::ifstream file(std::string(QUORVEL_TEST_DATA_DIR) + "/../../automation/generated/" + entry.coClass->name +
                           ".rgs");
        ASSERT_TRUE(file) << "the class's registry script";
        std::stringstream text;
        text << file.rdbuf();
        const std::vector<std::string> words = tokens(text.str());
        ASSERT_GT(words.size(), 2u);
        ASSERT_EQ(words[0], "HKCR");
        MemoryRegistry fromScript, fromCode;
        size_t at = 1;
        apply(words, at, "", fromScript);
        EXPECT_EQ(at, words.size());
        ASSERT_EQ(registerClass(fromCode, entry, kTypeLibrary, kModule), S_OK);
        EXPECT_EQ(fromScript.dump(), fromCode.dump());
        EXPECT_EQ(entry.toolboxBitmap, entry.coClass->toolboxBitmap);
    }
}

}  // namespace
}  // namespace quorvel::automation
