#pragma once
#include <functional>
#include <string>

namespace quorvel::test {

// One call under test on state of its own. `act` is the call, made while allocations may fail;
// it returns what the call reports (true for success). `view` reads back what a caller can see
// afterwards (the document, the output text, the file), with memory to spare.
struct Trial {
    std::function<bool()> act;
    std::function<std::string()> view;
};
using TrialFactory = std::function<Trial()>;

// How a call may end when memory runs out.
enum class CallKind {
    // Reports failure and leaves what it had (output or object) as it was.
    kReportsFailure,
    // Returns nothing: either completes or leaves everything as it was.
    kAllOrNothing,
};

// Runs the trial once with memory to spare (it must succeed), then once for every allocation
// that call made, with that one allocation failing. Each run must end without an exception,
// with the result allowed by `kind`, and with every block it allocated freed again once the
// trial's state is gone.
void sweepAllocations(const TrialFactory &make, CallKind kind = CallKind::kReportsFailure);

}  // namespace quorvel::test
