#include "automation/server/DateTimeCreation.h"

#include <gtest/gtest.h>

#include <vector>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/GuidText.h"
#include "tests/automation/server/ServerTestSupport.h"
#include "tests/support/RecordingLog.h"

namespace quorvel::automation {
namespace {

// A creator answering each try with the next result; a success hands out `object`.
struct ScriptedCreator final : ClassCreator {
    std::vector<HRESULT> results;
    size_t tries = 0;
    std::vector<size_t> initialisedBeforeTry;
    IDispatch *object = nullptr;
    bool askedForDateTime = true;

    HRESULT createInProcess(REFCLSID clsid, REFIID iid, void **out) override {
        askedForDateTime = askedForDateTime && sameGuid(clsid, kQvDateTimeClass.clsid) &&
                           sameGuid(iid, kIQvDateTime.iid);
        HRESULT hr = results.at(tries++);
        *out = SUCCEEDED(hr) ? object : nullptr;
        if (*out) object->AddRef();
        return hr;
    }
    void initialiseThread() override { initialisedBeforeTry.push_back(tries); }
};

TEST(DateTimeCreation, LogsEachFailedTryWithItsExplanation) {
    const std::string notRegistered =
        "A specified class is not registered in the registration database. Also can indicate that the type of server "
        "you requested in the CLSCTX enumeration is not registered or the values for the server types in the "
        "registry are corrupt.";
    const std::string noInterface =
        "The specified class does not implement the requested interface, or the controlling IUnknown does not "
        "expose the requested interface.";
    struct Row {
        std::vector<HRESULT> results;
        bool created;
        std::string log;
    };
    const Row rows[] = {
        {{S_OK}, true, "raw: Success.\r\n\n"},
        {{REGDB_E_CLASSNOTREG, S_OK},
         true,
         "raw: CoCreateInstance (QvDateTime) 1st try failed.\r\n\nraw: " + notRegistered +
             "\nraw: Success.\r\n\n"},
        {{CLASS_E_NOAGGREGATION, E_NOINTERFACE},
         false,
         "raw: CoCreateInstance (QvDateTime) 1st try failed.\r\n\n"
         "raw: This class cannot be created as part of an aggregate.\n"
         "raw: CoCreateInstance (QvDateTime) 2nd try failed.\r\n\nraw: " +
             noInterface + "\nraw: Failed.\r\n\n"},
        {{E_OUTOFMEMORY, static_cast<HRESULT>(0x800401F0u)},
         false,
         "raw: CoCreateInstance (QvDateTime) 1st try failed.\r\n\nraw: CoCreateInstance returned 0x8007000e\r\n\n"
         "raw: CoCreateInstance (QvDateTime) 2nd try failed.\r\n\nraw: CoCreateInstance returned 0x800401f0\r\n\n"
         "raw: Failed.\r\n\n"},
    };
    for (const Row &row : rows) {
        servertest::ForeignDispatch object;
        ScriptedCreator creator;
        creator.results = row.results;
        creator.object = &object;
        test::RecordingLog log;
        IDispatch *created = createDateTimeObject(creator, log);
        EXPECT_EQ(created != nullptr, row.created);
        EXPECT_EQ(log.joined(), row.log);
        EXPECT_EQ(creator.tries, row.results.size());
        EXPECT_TRUE(creator.askedForDateTime);
        // The thread is initialised only after a failed first try, before the second.
        EXPECT_EQ(creator.initialisedBeforeTry,
                  row.results.size() == 2 ? std::vector<size_t>{1} : std::vector<size_t>{});
        if (created) created->Release();
        EXPECT_EQ(object.references, 1u);
    }
}

}  // namespace
}  // namespace quorvel::automation
