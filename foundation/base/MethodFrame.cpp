#include "foundation/base/MethodFrame.h"

#include "foundation/log/LogBase.h"

namespace quorvel {

MethodFrame::MethodFrame(ClsBase &object, QuorvelCritSec *objectLock, const char *methodName)
    : m_lock(objectLock), m_object(object) {
    m_object.beginMethod(methodName);
}

MethodFrame::~MethodFrame() { m_object.endMethod(); }

bool MethodFrame::finish(bool success) {
    if (success)
        m_object.log().logInfo("Success.");
    else
        m_object.log().logError("Failed.");
    return success;
}

}  // namespace quorvel
