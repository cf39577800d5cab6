#include "src/core/cef_command_line_impl.h"

#include <shellapi.h>
#include <windows.h>

#include <algorithm>

// static
CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() {
  return new cef_internal::CefCommandLineImpl(false);
}

// static
CefRefPtr<CefCommandLine> CefCommandLine::GetGlobalCommandLine() {
  // Read-only and never released, as in the framework.
  static CefCommandLine* const g_command_line = [] {
    cef_internal::CefCommandLineImpl* line =
        new cef_internal::CefCommandLineImpl(true);
    line->ParseString(GetCommandLineW());
    line->AddRef();
    return line;
  }();
  return g_command_line;
}

namespace cef_internal {

namespace {

const wchar_t* const kSwitchPrefixes[] = {L"--", L"-", L"/"};
const wchar_t kSwitchTerminator[] = L"--";

std::wstring Trim(const std::wstring& text) {
  const wchar_t kSpace[] = L" \t\r\n\f\v";
  size_t first = text.find_first_not_of(kSpace);
  if (first == std::wstring::npos)
    return std::wstring();
  size_t last = text.find_last_not_of(kSpace);
  return text.substr(first, last - first + 1);
}

std::wstring ToLowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z')
      c = c - L'A' + L'a';
  }
  return text;
}

size_t SwitchPrefixLength(const std::wstring& arg) {
  for (const wchar_t* prefix : kSwitchPrefixes) {
    size_t length = wcslen(prefix);
    if (arg.compare(0, length, prefix) == 0)
      return length;
  }
  return 0;
}

// Splits "--name=value" into "--name" and "value".
bool IsSwitch(const std::wstring& arg,
              std::wstring* switch_string,
              std::wstring* value) {
  size_t prefix = SwitchPrefixLength(arg);
  if (prefix == 0 || prefix == arg.size())
    return false;
  size_t equals = arg.find(L'=');
  *switch_string = arg.substr(0, equals);
  *value =
      equals == std::wstring::npos ? std::wstring() : arg.substr(equals + 1);
  return true;
}

}  // namespace

CefCommandLineImpl::CefCommandLineImpl(bool read_only)
    : read_only_(read_only), argv_(1) {}

// static
std::wstring CefCommandLineImpl::Quote(const std::wstring& arg) {
  if (arg.find_first_of(L" \t\\\"") == std::wstring::npos)
    return arg;
  std::wstring out(1, L'"');
  for (size_t i = 0; i < arg.size(); ++i) {
    if (arg[i] == L'\\') {
      size_t end = arg.find_first_not_of(L'\\', i);
      if (end == std::wstring::npos)
        end = arg.size();
      size_t count = end - i;
      // Backslashes only escape when a quote follows, and the closing quote
      // follows the last run.
      if (end == arg.size() || arg[end] == L'"')
        count *= 2;
      out.append(count, L'\\');
      i = end - 1;
    } else if (arg[i] == L'"') {
      out += L"\\\"";
    } else {
      out.push_back(arg[i]);
    }
  }
  out.push_back(L'"');
  return out;
}

void CefCommandLineImpl::ResetInternal() {
  argv_.assign(1, std::wstring());
  begin_args_ = 1;
  switches_.clear();
}

void CefCommandLineImpl::ParseString(const std::wstring& command_line) {
  std::wstring trimmed = Trim(command_line);
  // CommandLineToArgvW gives the running program for an empty line.
  if (trimmed.empty()) {
    ResetInternal();
    return;
  }
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(trimmed.c_str(), &count);
  std::vector<std::wstring> argv;
  for (int i = 0; args && i < count; ++i)
    argv.push_back(args[i]);
  if (args)
    LocalFree(args);
  ParseArgv(argv);
}

void CefCommandLineImpl::ParseArgv(const std::vector<std::wstring>& argv) {
  ResetInternal();
  if (argv.empty())
    return;
  argv_[0] = Trim(argv[0]);
  bool parse_switches = true;
  for (size_t i = 1; i < argv.size(); ++i) {
    std::wstring arg = Trim(argv[i]);
    std::wstring switch_string, value;
    parse_switches = parse_switches && arg != kSwitchTerminator;
    if (parse_switches && IsSwitch(arg, &switch_string, &value))
      AddSwitch(switch_string, value);
    else
      argv_.push_back(arg);
  }
}

void CefCommandLineImpl::AddSwitch(const std::wstring& name,
                                   const std::wstring& value) {
  std::wstring written = ToLowerAscii(name);
  size_t prefix = SwitchPrefixLength(written);
  switches_[written.substr(prefix)] = value;
  if (prefix == 0)
    written = kSwitchPrefixes[0] + written;
  if (!value.empty())
    written += L"=" + value;
  argv_.insert(argv_.begin() + begin_args_++, written);
}

std::vector<std::wstring> CefCommandLineImpl::Arguments() const {
  std::vector<std::wstring> args(argv_.begin() + begin_args_, argv_.end());
  // The first "--" only ended the switches.
  auto terminator = std::find(args.begin(), args.end(), kSwitchTerminator);
  if (terminator != args.end())
    args.erase(terminator);
  return args;
}

bool CefCommandLineImpl::IsValid() {
  return true;
}

bool CefCommandLineImpl::IsReadOnly() {
  return read_only_;
}

CefRefPtr<CefCommandLine> CefCommandLineImpl::Copy() {
  CefCommandLineImpl* copy = new CefCommandLineImpl(false);
  copy->argv_ = argv_;
  copy->begin_args_ = begin_args_;
  copy->switches_ = switches_;
  return copy;
}

void CefCommandLineImpl::InitFromArgv(int argc, const char* const* argv) {
  if (read_only_ || argc < 0 || (argc > 0 && !argv))
    return;
  std::vector<std::wstring> wide;
  for (int i = 0; i < argc; ++i)
    wide.push_back(CefString(argv[i]).ToWString());
  ParseArgv(wide);
}

void CefCommandLineImpl::InitFromString(const CefString& command_line) {
  if (!read_only_)
    ParseString(command_line.ToWString());
}

void CefCommandLineImpl::Reset() {
  if (!read_only_)
    ResetInternal();
}

void CefCommandLineImpl::GetArgv(std::vector<CefString>& argv) {
  for (const std::wstring& arg : argv_)
    argv.push_back(arg);
}

CefString CefCommandLineImpl::GetCommandLineString() {
  std::wstring out = Quote(argv_[0]);
  bool parse_switches = true;
  for (size_t i = 1; i < argv_.size(); ++i) {
    const std::wstring& arg = argv_[i];
    std::wstring switch_string, value;
    parse_switches = parse_switches && arg != kSwitchTerminator;
    out += L" ";
    if (parse_switches && IsSwitch(arg, &switch_string, &value)) {
      out += switch_string;
      if (!value.empty())
        out += L"=" + Quote(value);
    } else {
      out += Quote(arg);
    }
  }
  return out;
}

CefString CefCommandLineImpl::GetProgram() {
  return argv_[0];
}

void CefCommandLineImpl::SetProgram(const CefString& program) {
  if (!read_only_)
    argv_[0] = Trim(program.ToWString());
}

bool CefCommandLineImpl::HasSwitches() {
  return !switches_.empty();
}

bool CefCommandLineImpl::HasSwitch(const CefString& name) {
  return switches_.count(ToLowerAscii(name.ToWString())) != 0;
}

CefString CefCommandLineImpl::GetSwitchValue(const CefString& name) {
  auto it = switches_.find(ToLowerAscii(name.ToWString()));
  return it == switches_.end() ? CefString() : CefString(it->second);
}

void CefCommandLineImpl::GetSwitches(SwitchMap& switches) {
  for (const auto& entry : switches_)
    switches[entry.first] = entry.second;
}

void CefCommandLineImpl::AppendSwitch(const CefString& name) {
  AppendSwitchWithValue(name, CefString());
}

void CefCommandLineImpl::AppendSwitchWithValue(const CefString& name,
                                               const CefString& value) {
  if (!read_only_ && !name.empty())
    AddSwitch(name.ToWString(), value.ToWString());
}

bool CefCommandLineImpl::HasArguments() {
  return !Arguments().empty();
}

void CefCommandLineImpl::GetArguments(ArgumentList& arguments) {
  for (const std::wstring& arg : Arguments())
    arguments.push_back(arg);
}

void CefCommandLineImpl::AppendArgument(const CefString& argument) {
  if (!read_only_)
    argv_.push_back(argument.ToWString());
}

}  // namespace cef_internal
