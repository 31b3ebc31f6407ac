#include "automation/server/DateTimeCreation.h"
#include "automation/server/ServerClassMap.h"

namespace quorvel::automation {
namespace {

// Without a system component library, classes come from this library's own class map, which
// serves the date-time class too. The map needs no per-thread start-up.
class LocalClassCreator final : public ClassCreator {
public:
    HRESULT createInProcess(REFCLSID clsid, REFIID iid, void **object) override {
        return createFromClassMap(clsid, iid, object);
    }
    void initialiseThread() override {}
};

}  // namespace

ClassCreator &platformClassCreator() {
    static LocalClassCreator creator;
    return creator;
}

}  // namespace quorvel::automation
