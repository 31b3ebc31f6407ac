#pragma once
#include <cstdint>

namespace quorvel {

// Callbacks that long-running operations receive. Every default does nothing and never asks
// to abort.
class ProgressEvent {
public:
    virtual ~ProgressEvent() = default;
    virtual void percentDone(uint32_t percent, bool &abort) {
        (void)percent;
        abort = false;
    }
    virtual void abortCheck(bool &abort) { abort = false; }
};

}  // namespace quorvel
