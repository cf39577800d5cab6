// A library that only the lazy-import test's folder holds: what a planted
// file beside a program would be.
extern "C" __declspec(dllexport) int KxLazyB() {
  return 7;
}
