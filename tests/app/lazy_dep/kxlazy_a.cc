// A library the lazy-import test puts in the system folder; it depends on
// kxlazy_b.dll, which the system folder does not hold.
extern "C" __declspec(dllimport) int KxLazyB();

extern "C" __declspec(dllexport) int KxLazyA() {
  return KxLazyB() + 1;
}
