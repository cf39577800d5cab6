// The sub-process executable: hands the process to the framework.
#include <windows.h>

#include "app/framework_waits.h"
#include "app/simple_app.h"
#include "include/cef_app.h"

int APIENTRY wWinMain(HINSTANCE instance,
                      HINSTANCE previous,
                      LPWSTR command_line,
                      int show) {
  RouteFrameworkWaitsUnderWine();
  CefMainArgs main_args(instance);
  CefRefPtr<SimpleApp> app(new SimpleApp());
  int exit_code = CefExecuteProcess(main_args, app.get(), nullptr);
  app = nullptr;
  ReportFrameworkWaitsIfAsked("kxsubprocess");
  return exit_code;
}
