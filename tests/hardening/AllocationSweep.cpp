#include "hardening/AllocationSweep.h"

#include <gtest/gtest.h>

#include "hardening/FailingAllocator.h"

namespace quorvel::test {

namespace alloc = failing_allocator;

namespace {

struct Reference {
    std::string before, after;
    std::size_t allocations = 0;
};

// The run with memory to spare; run twice, so that whatever the program builds once on first
// use (tables, caches, the runtime's own) is in place before blocks are counted.
bool referenceRun(const TrialFactory &make, Reference &reference) {
    for (int round = 0; round < 2; ++round) {
        long long live = alloc::liveBlocks();
        {
            Trial trial = make();
            reference.before = trial.view();
            alloc::failAllocation(0);
            bool ok = trial.act();
            reference.allocations = alloc::stop();
            if (!ok) {
                ADD_FAILURE() << "the call fails with memory to spare";
                return false;
            }
            reference.after = trial.view();
        }
        if (round == 1 && alloc::liveBlocks() != live) {
            ADD_FAILURE() << "the call leaks " << alloc::liveBlocks() - live << " blocks with memory to spare";
            return false;
        }
    }
    return true;
}

// Longer than any string kept inline, so that such a string owns a heap block.
constexpr std::size_t kHeldBlock = 64;

// Two texts from a little before their first difference on, which is what tells the fault.
std::string difference(const std::string &seen, const std::string &expected) {
    std::size_t at = 0;
    while (at < seen.size() && at < expected.size() && seen[at] == expected[at]) ++at;
    std::size_t from = at > 60 ? at - 60 : 0;
    return "\n  left:     \"" + seen.substr(from, 160) + "\"\n  expected: \"" + expected.substr(from, 160) + "\"";
}

}  // namespace

void sweepAllocations(const TrialFactory &make, CallKind kind) {
    Reference reference;
    if (!referenceRun(make, reference)) return;
    ASSERT_GT(reference.allocations, 0u) << "the call allocates nothing, so the sweep proves nothing";

    int faults = 0;
    const int kMaxReported = 5;  // a broken rule shows in the first few; the rest is noise
    for (std::size_t n = 1; n <= reference.allocations && faults < kMaxReported; ++n) {
        // What is seen and said outlives the trial, whose blocks are counted before anything is
        // reported (reporting allocates too). Both strings hold a block before counting starts,
        // which the assignments below hand over: their count stays the same.
        std::string fault(kHeldBlock, ' '), seen(kHeldBlock, ' ');
        bool faulty = false;
        long long leaked = 0;
        // A library may keep what it built before the failure as a cache of its own (libcrypto
        // does): such blocks stay once. So a run that leaves blocks is run again, and only blocks
        // left again are a leak.
        for (int round = 0; round < 2; ++round) {
            long long live = alloc::liveBlocks();
            {
                Trial trial = make();
                alloc::failAllocation(n);
                bool ok = false, threw = false;
                try {
                    ok = trial.act();
                } catch (...) {
                    threw = true;
                }
                alloc::stop();
                seen = trial.view();
                const bool whole = kind == CallKind::kAllOrNothing;
                const bool allowed = whole ? (seen == reference.before || seen == reference.after)
                                           : seen == (ok ? reference.after : reference.before);
                faulty = threw || !allowed;
                if (threw) {
                    fault = std::string("an exception left the call");
                } else if (!allowed) {
                    fault = std::string("the call ") +
                            (whole ? "returned" : ok ? "reported success" : "reported failure") +
                            " and left something else:" +
                            difference(seen, ok || whole ? reference.after : reference.before) +
                            (whole ? "\nor, as before the call:" + difference(seen, reference.before) : "");
                }
            }
            leaked = alloc::liveBlocks() - live;
            // libcrypto 3.0 keeps two blocks when an allocation of its own fails inside
            // EVP_Digest; only that library's own failures are forgiven this.
            if (leaked > 0 && leaked <= 2 && alloc::failureCameFrom("libcrypto")) leaked = 0;
            if (faulty || leaked == 0) break;
        }
        if (!faulty) fault.clear();
        if (leaked != 0) fault += (faulty ? "\n" : "") + std::to_string(leaked) + " blocks stayed allocated";
        if (faulty || leaked != 0) {
            ADD_FAILURE() << "allocation " << n << " of " << reference.allocations << " failed: " << fault;
            ++faults;
        }
    }
}

}  // namespace quorvel::test
