// The host's command line:
//   kxhost.exe --url=URL [--normal-voice=TEXT]... [--horn-voice=TEXT]...
//              [--record-file=PATH] [--bounds=L,T,R,B] [--timeout-ms=N]
//              [--single-process] [--allow-origin=ORIGIN]... [--show]
//              [--remote-debugging-port=N] [--options=JSON]
//              [--avatar-url=URL]
#ifndef HOST_HOST_OPTIONS_H_
#define HOST_HOST_OPTIONS_H_

#include <windows.h>

#include <string>
#include <vector>

#include "common/option_block.h"

struct HostOptions {
  std::wstring url;
  // Loaded into the avatar browser once it exists; empty: nothing.
  std::wstring avatar_url;
  std::vector<std::wstring> normal_voices;
  std::vector<std::wstring> horn_voices;
  std::wstring record_file;
  RECT bounds = {100, 100, 900, 700};
  int timeout_ms = 30000;
  bool single_process = false;
  // Empty: every page may use KXHelper. Otherwise only these origins.
  std::vector<std::string> allowed_origins;
  // Shows the main page window, which the component creates hidden.
  bool show = false;
  // DevTools on this port of the loopback address; 0: off.
  int remote_debugging_port = 0;
  // The user's saved filters the store is seeded with, as option JSON text
  // (a list; the first 20 elements kept, as for pages).
  bool seed_options = false;
  OptionBlock initial_options = MakeEmptyOptionBlock();
};

// Parses |args| (without the program name). On failure returns false and
// sets |error| to a one-line reason.
bool ParseHostOptions(const std::vector<std::wstring>& args,
                      HostOptions* options,
                      std::string* error);

extern const char kHostUsage[];

#endif  // HOST_HOST_OPTIONS_H_
