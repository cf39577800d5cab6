#include "include/cef_command_line.h"

#include "gtest/gtest.h"

namespace {

std::vector<std::string> Arguments(CefRefPtr<CefCommandLine> line) {
  CefCommandLine::ArgumentList args;
  line->GetArguments(args);
  std::vector<std::string> out;
  for (const CefString& arg : args)
    out.push_back(arg.ToString());
  return out;
}

TEST(CommandLineTest, ParsesSwitchesValuesAndArguments) {
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->InitFromString(
      L"\"C:\\Program Files\\kx\\kxsubprocess.exe\" --type=renderer "
      L"-Single-Process --lang=\"en US\" page.html /flag=1");
  EXPECT_EQ("C:\\Program Files\\kx\\kxsubprocess.exe",
            line->GetProgram().ToString());
  EXPECT_TRUE(line->HasSwitches());
  EXPECT_EQ("renderer", line->GetSwitchValue("type").ToString());
  EXPECT_TRUE(line->HasSwitch("single-process"));
  EXPECT_TRUE(line->HasSwitch("Single-Process"));
  EXPECT_EQ("", line->GetSwitchValue("single-process").ToString());
  EXPECT_EQ("en US", line->GetSwitchValue("lang").ToString());
  EXPECT_EQ("1", line->GetSwitchValue("flag").ToString());
  EXPECT_FALSE(line->HasSwitch("missing"));
  EXPECT_EQ(std::vector<std::string>{"page.html"}, Arguments(line));
  CefCommandLine::SwitchMap switches;
  line->GetSwitches(switches);
  EXPECT_EQ(4u, switches.size());
}

TEST(CommandLineTest, DoubleDashEndsSwitches) {
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->InitFromString(L"prog --a -- --b x -- y");
  EXPECT_TRUE(line->HasSwitch("a"));
  EXPECT_FALSE(line->HasSwitch("b"));
  EXPECT_EQ((std::vector<std::string>{"--b", "x", "--", "y"}), Arguments(line));
}

TEST(CommandLineTest, WindowsQuotingRules) {
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->InitFromString(L"prog \"a b\" c\\\\\"d e\" f\\\"g \"h\\\\\"");
  EXPECT_EQ((std::vector<std::string>{"a b", "c\\d e", "f\"g", "h\\"}),
            Arguments(line));
}

TEST(CommandLineTest, AppendedSwitchesGoBeforeArguments) {
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->SetProgram("prog.exe");
  line->AppendArgument("file.txt");
  line->AppendSwitch("Enable");
  line->AppendSwitchWithValue("channel", "a b\"c");
  std::vector<CefString> argv;
  line->GetArgv(argv);
  ASSERT_EQ(4u, argv.size());
  EXPECT_EQ("--enable", argv[1].ToString());
  EXPECT_EQ("file.txt", argv[3].ToString());
  EXPECT_EQ("prog.exe --enable --channel=\"a b\\\"c\" file.txt",
            line->GetCommandLineString().ToString());
}

TEST(CommandLineTest, StringRoundTripsThroughParsing) {
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->SetProgram("C:\\dir with space\\p.exe");
  line->AppendSwitchWithValue("path", "C:\\x y\\");
  line->AppendSwitchWithValue("q", "say \"hi\"");
  line->AppendArgument("arg with space");
  CefRefPtr<CefCommandLine> parsed = CefCommandLine::CreateCommandLine();
  parsed->InitFromString(line->GetCommandLineString());
  EXPECT_EQ(line->GetProgram(), parsed->GetProgram());
  EXPECT_EQ("C:\\x y\\", parsed->GetSwitchValue("path").ToString());
  EXPECT_EQ("say \"hi\"", parsed->GetSwitchValue("q").ToString());
  EXPECT_EQ(std::vector<std::string>{"arg with space"}, Arguments(parsed));
}

TEST(CommandLineTest, InitFromArgvTakesUtf8) {
  const char* argv[] = {"prog", "--name=\xc3\xa9t\xc3\xa9", "-", "--", "x"};
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->InitFromArgv(5, argv);
  EXPECT_EQ(CefString(L"\u00e9t\u00e9"), line->GetSwitchValue("name"));
  EXPECT_EQ((std::vector<std::string>{"-", "x"}), Arguments(line));
  line->Reset();
  EXPECT_FALSE(line->HasSwitches());
  EXPECT_FALSE(line->HasArguments());
  line->InitFromString(L"   ");
  EXPECT_TRUE(line->GetProgram().empty());
}

TEST(CommandLineTest, GlobalLineIsReadOnlyAndCopiesAreNot) {
  CefRefPtr<CefCommandLine> global = CefCommandLine::GetGlobalCommandLine();
  EXPECT_TRUE(global->IsReadOnly());
  EXPECT_FALSE(global->GetProgram().empty());
  global->AppendSwitch("never-added");
  EXPECT_FALSE(global->HasSwitch("never-added"));
  CefRefPtr<CefCommandLine> copy = global->Copy();
  EXPECT_FALSE(copy->IsReadOnly());
  copy->AppendSwitch("added");
  EXPECT_TRUE(copy->HasSwitch("added"));
  EXPECT_FALSE(global->HasSwitch("added"));
}

}  // namespace
