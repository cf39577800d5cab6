// The floor for a program's start: a GUI program that does nothing, built
// with the same compiler and linker flags as kxsubprocess.exe.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return 0;
}
