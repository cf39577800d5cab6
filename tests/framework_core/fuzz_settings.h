// How many inputs a fuzz test tries and from which seed. The suite runs a
// fixed seed and a budget of a few seconds; `make fuzz` sets
// KX_FUZZ_SEED (random) and KX_FUZZ_SCALE (a multiplier) for a longer run.
// Every test prints its seed, so that a failure can be run again.
#ifndef TESTS_FRAMEWORK_CORE_FUZZ_SETTINGS_H_
#define TESTS_FRAMEWORK_CORE_FUZZ_SETTINGS_H_

#include <windows.h>

#include <stdint.h>
#include <stdlib.h>

namespace fuzz_test {

constexpr uint32_t kSuiteSeed = 20261208;

inline uint32_t NumberFromEnvironment(const wchar_t* name, uint32_t fallback) {
  wchar_t text[24];
  DWORD size = GetEnvironmentVariableW(name, text, 24);
  if (size == 0 || size >= 24)
    return fallback;
  wchar_t* end = nullptr;
  unsigned long value = wcstoul(text, &end, 10);
  return *end == L'\0' ? static_cast<uint32_t>(value) : fallback;
}

inline uint32_t FuzzSeed() {
  return NumberFromEnvironment(L"KX_FUZZ_SEED", kSuiteSeed);
}

// |suite_inputs| times the scale (1 in the suite).
inline uint32_t FuzzInputs(uint32_t suite_inputs) {
  uint32_t scale = NumberFromEnvironment(L"KX_FUZZ_SCALE", 1);
  return suite_inputs * (scale ? scale : 1);
}

}  // namespace fuzz_test

#endif  // TESTS_FRAMEWORK_CORE_FUZZ_SETTINGS_H_
