// Every Win32 function kxsubprocess.exe uses beyond kernel32 and the C
// runtime, bound on first call (see lazy_import.h). Without arguments the
// program calls none of them; a render process loads user32 for its message
// loop and shell32 to read its command line, and never the browser side's
// libraries. A function missing here puts its library back in the import
// table, which the subprocess_imports test reports.
#include <windows.h>

#include <bcrypt.h>
#include <objbase.h>
#include <sddl.h>
#include <shellapi.h>
#include <winhttp.h>

#include "app/lazy_imports/lazy_import.h"

KX_LAZY_IMPORT("advapi32.dll", AddAccessAllowedAce, 16);
KX_LAZY_IMPORT("advapi32.dll",
               ConvertStringSecurityDescriptorToSecurityDescriptorW,
               16);
KX_LAZY_IMPORT("advapi32.dll", CreateProcessAsUserW, 44);
KX_LAZY_IMPORT("advapi32.dll", CreateRestrictedToken, 36);
KX_LAZY_IMPORT("advapi32.dll", GetLengthSid, 4);
KX_LAZY_IMPORT("advapi32.dll", GetTokenInformation, 20);
KX_LAZY_IMPORT("advapi32.dll", InitializeAcl, 12);
KX_LAZY_IMPORT("advapi32.dll", InitializeSecurityDescriptor, 8);
KX_LAZY_IMPORT("advapi32.dll", IsValidSid, 4);
KX_LAZY_IMPORT("advapi32.dll", OpenProcessToken, 12);
KX_LAZY_IMPORT("advapi32.dll", RegGetValueW, 28);
KX_LAZY_IMPORT("advapi32.dll", SetKernelObjectSecurity, 12);
KX_LAZY_IMPORT("advapi32.dll", SetSecurityDescriptorDacl, 16);

KX_LAZY_IMPORT("bcrypt.dll", BCryptGenRandom, 16);

KX_LAZY_IMPORT("gdi32.dll", GetStockObject, 4);

KX_LAZY_IMPORT("normaliz.dll", IdnToAscii, 20);

KX_LAZY_IMPORT("ole32.dll", CoInitializeEx, 8);

KX_LAZY_IMPORT("shell32.dll", CommandLineToArgvW, 8);
KX_LAZY_IMPORT("shell32.dll", ShellExecuteW, 24);

KX_LAZY_IMPORT("user32.dll", AppendMenuW, 16);
KX_LAZY_IMPORT("user32.dll", CreatePopupMenu, 0);
KX_LAZY_IMPORT("user32.dll", CreateWindowExW, 48);
KX_LAZY_IMPORT("user32.dll", DefWindowProcW, 16);
KX_LAZY_IMPORT("user32.dll", DestroyMenu, 4);
KX_LAZY_IMPORT("user32.dll", DestroyWindow, 4);
KX_LAZY_IMPORT("user32.dll", DispatchMessageW, 4);
KX_LAZY_IMPORT("user32.dll", EndMenu, 0);
KX_LAZY_IMPORT("user32.dll", GetClassInfoExW, 12);
KX_LAZY_IMPORT("user32.dll", GetMessageW, 16);
KX_LAZY_IMPORT("user32.dll", GetWindowLongW, 8);
KX_LAZY_IMPORT("user32.dll", GetWindowRect, 8);
KX_LAZY_IMPORT("user32.dll", GetWindowTextW, 12);
KX_LAZY_IMPORT("user32.dll", IsWindow, 4);
KX_LAZY_IMPORT("user32.dll", KillTimer, 8);
KX_LAZY_IMPORT("user32.dll", LoadCursorW, 8);
KX_LAZY_IMPORT("user32.dll", MsgWaitForMultipleObjectsEx, 20);
KX_LAZY_IMPORT("user32.dll", PeekMessageW, 20);
KX_LAZY_IMPORT("user32.dll", PostMessageW, 16);
KX_LAZY_IMPORT("user32.dll", PostQuitMessage, 4);
KX_LAZY_IMPORT("user32.dll", RegisterClassExW, 4);
KX_LAZY_IMPORT("user32.dll", ScreenToClient, 8);
KX_LAZY_IMPORT("user32.dll", SetForegroundWindow, 4);
KX_LAZY_IMPORT("user32.dll", SetTimer, 16);
KX_LAZY_IMPORT("user32.dll", SetWindowLongW, 12);
KX_LAZY_IMPORT("user32.dll", ShowWindow, 8);
KX_LAZY_IMPORT("user32.dll", TrackPopupMenu, 28);
KX_LAZY_IMPORT("user32.dll", TranslateMessage, 4);

KX_LAZY_IMPORT("winhttp.dll", WinHttpCloseHandle, 4);
KX_LAZY_IMPORT("winhttp.dll", WinHttpConnect, 16);
KX_LAZY_IMPORT("winhttp.dll", WinHttpOpen, 20);
KX_LAZY_IMPORT("winhttp.dll", WinHttpOpenRequest, 28);
KX_LAZY_IMPORT("winhttp.dll", WinHttpQueryHeaders, 24);
KX_LAZY_IMPORT("winhttp.dll", WinHttpReadData, 16);
KX_LAZY_IMPORT("winhttp.dll", WinHttpReceiveResponse, 8);
KX_LAZY_IMPORT("winhttp.dll", WinHttpSendRequest, 28);
KX_LAZY_IMPORT("winhttp.dll", WinHttpSetOption, 16);
KX_LAZY_IMPORT("winhttp.dll", WinHttpSetTimeouts, 20);
