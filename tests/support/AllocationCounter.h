// Counts the process's allocations while counting is on. Linking AllocationCounter.cpp replaces
// operator new for the whole process; an executable that exports its symbols hands the replacement to
// the plug-in it loads as well. Not for the sanitizer builds, which bring their own allocator.
#pragma once

namespace kt4r_test::allocations {

// Counting on or off; the count is kept.
void SetCounting(bool on);
void ResetCount();
long Count();
// Counts one allocation made elsewhere (another allocator's hook) if counting is on.
void CountIfCounting();

// Counting on for the lifetime of the object.
struct Counting {
    explicit Counting(bool on) { SetCounting(on); }
    ~Counting() { SetCounting(false); }
    Counting(const Counting&) = delete;
    Counting& operator=(const Counting&) = delete;
};

} // namespace kt4r_test::allocations
