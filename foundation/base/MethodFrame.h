#pragma once
#include "foundation/base/ClsBase.h"
#include "foundation/base/CritSecExitor.h"

namespace quorvel {

class LogBase;
class QuorvelCritSec;

// The frame of a public method that logs: holds the object lock (none when null) for the whole
// call, runs the standard prologue, and closes the method's context on every exit path before
// the lock is released.
//
//     bool ClsXml::LoadXml(const XString &xml) {
//         MethodFrame frame(*this, this, "LoadXml");
//         bool ok = parse(xml, frame.log());
//         return frame.finish(ok);
//     }
class MethodFrame {
public:
    MethodFrame(ClsBase &object, QuorvelCritSec *objectLock, const char *methodName);
    ~MethodFrame();
    MethodFrame(const MethodFrame &) = delete;
    MethodFrame &operator=(const MethodFrame &) = delete;

    // The object's log, to be passed down to the engine.
    LogBase &log() const { return m_object.log(); }
    // The epilogue of a method with a true/false outcome: "Success." or "Failed.". Returns
    // success.
    bool finish(bool success);

private:
    CritSecExitor m_lock;
    ClsBase &m_object;
};

}  // namespace quorvel
