#include "automation/server/DateTimeCreation.h"

namespace quorvel::automation {
namespace {

// The system's component library: in-process servers only, and the apartment the thread joins
// when it has none yet.
class SystemClassCreator final : public ClassCreator {
public:
    HRESULT createInProcess(REFCLSID clsid, REFIID iid, void **object) override {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
    }
    void initialiseThread() override { CoInitialize(nullptr); }
};

}  // namespace

ClassCreator &platformClassCreator() {
    static SystemClassCreator creator;
    return creator;
}

}  // namespace quorvel::automation
