// Notes what operator new hands out while a probe is alive in this binary,
// so that a test can show that a peer's claim never turns into memory.
#ifndef TESTS_SUPPORT_ALLOCATION_PROBE_H_
#define TESTS_SUPPORT_ALLOCATION_PROBE_H_

#include <cstddef>

class AllocationProbe {
 public:
  AllocationProbe();
  AllocationProbe(const AllocationProbe&) = delete;
  AllocationProbe& operator=(const AllocationProbe&) = delete;
  ~AllocationProbe();

  // The largest request since the probe began, in bytes.
  size_t largest() const;
  // Every request since the probe began, in bytes.
  size_t total() const;
};

#endif  // TESTS_SUPPORT_ALLOCATION_PROBE_H_
