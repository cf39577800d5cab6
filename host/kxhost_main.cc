// The demo host: a browser process that embeds the component the way a host
// application does.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <exception>
#include <vector>

#include "app/framework_waits.h"
#include "host/exit_codes.h"
#include "host/host_options.h"
#include "host/host_session.h"
#include "host/unexpected_termination.h"

namespace {

int RunHost() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  LocalFree(argv);

  HostOptions options;
  std::string error;
  if (!ParseHostOptions(args, &options, &error)) {
    std::fprintf(stderr, "kxhost: %s; %s\n", error.c_str(), kHostUsage);
    return kUsageExitCode;
  }
  HostSession session(options);
  const int exit_code = session.Run();
  ReportFrameworkWaitsIfAsked("kxhost");
  return exit_code;
}

}  // namespace

int main() {
  InstallUnexpectedTerminationHandlers();
  RouteFrameworkWaitsUnderWine();
  try {
    return RunHost();
  } catch (const std::exception& error) {
    EndUnexpectedly(error.what());
  } catch (...) {
    EndUnexpectedly("an exception of unknown type");
  }
}
