// CefCommandLine with the framework's Windows rules: switches start with
// "--", "-" or "/", may carry "=value", and have lower-case names; "--" ends
// the switches; arguments keep their order after the switches.
#ifndef FRAMEWORK_SRC_CORE_CEF_COMMAND_LINE_IMPL_H_
#define FRAMEWORK_SRC_CORE_CEF_COMMAND_LINE_IMPL_H_

#include <map>
#include <string>
#include <vector>

#include "include/cef_command_line.h"

namespace cef_internal {

class CefCommandLineImpl : public CefCommandLine {
 public:
  explicit CefCommandLineImpl(bool read_only);

  // Parses a whole command line the way the C runtime builds argv.
  void ParseString(const std::wstring& command_line);
  // Replaces everything with |argv| (program first).
  void ParseArgv(const std::vector<std::wstring>& argv);

  // Quotes |arg| so that the C runtime's argv rules give it back unchanged.
  static std::wstring Quote(const std::wstring& arg);

  // CefCommandLine:
  bool IsValid() override;
  bool IsReadOnly() override;
  CefRefPtr<CefCommandLine> Copy() override;
  void InitFromArgv(int argc, const char* const* argv) override;
  void InitFromString(const CefString& command_line) override;
  void Reset() override;
  void GetArgv(std::vector<CefString>& argv) override;
  CefString GetCommandLineString() override;
  CefString GetProgram() override;
  void SetProgram(const CefString& program) override;
  bool HasSwitches() override;
  bool HasSwitch(const CefString& name) override;
  CefString GetSwitchValue(const CefString& name) override;
  void GetSwitches(SwitchMap& switches) override;
  void AppendSwitch(const CefString& name) override;
  void AppendSwitchWithValue(const CefString& name,
                             const CefString& value) override;
  bool HasArguments() override;
  void GetArguments(ArgumentList& arguments) override;
  void AppendArgument(const CefString& argument) override;

 private:
  void ResetInternal();
  void AddSwitch(const std::wstring& name, const std::wstring& value);
  std::vector<std::wstring> Arguments() const;

  const bool read_only_;
  // Program, then switches as written, then arguments (from |begin_args_|).
  std::vector<std::wstring> argv_;
  size_t begin_args_ = 1;
  std::map<std::wstring, std::wstring> switches_;

  IMPLEMENT_REFCOUNTING(CefCommandLineImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_CEF_COMMAND_LINE_IMPL_H_
