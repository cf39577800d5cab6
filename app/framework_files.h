// The run-time files the framework's library cannot start without. Missing,
// libcef.dll ends the process inside CefInitialize with a breakpoint (exit
// code 3) and a "FATAL" line that names no file for one of them; a host
// checks first and says which file it is.
#ifndef APP_FRAMEWORK_FILES_H_
#define APP_FRAMEWORK_FILES_H_

#include <string>

// The full path of the first missing file of those the framework cannot
// start without (icudtl.dat and natives_blob.bin, beside libcef.dll); empty
// when both are there, or when the process has no libcef.dll loaded (a
// framework built into the program). The others it can
// do without, each named by an error line in its log when missing
// (measured on 3.2454 under Wine): snapshot_blob.bin, cef.pak,
// cef_100_percent.pak, cef_200_percent.pak, cef_extensions.pak,
// devtools_resources.pak, locales/<locale>.pak, d3dcompiler_47.dll,
// libEGL.dll and libGLESv2.dll (pages still run; without the graphics
// libraries the GPU process ends and pages are drawn in software).
std::wstring FindMissingFrameworkFile();
// The same for the library in |library_dir| (ending in a separator).
std::wstring FindMissingFrameworkFileIn(const std::wstring& library_dir);

#endif  // APP_FRAMEWORK_FILES_H_
