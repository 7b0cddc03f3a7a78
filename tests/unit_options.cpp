// The command line, read without running anything.
#include <gtest/gtest.h>

#include <sstream>

#include "app/options.h"

namespace {
using Action = Options::Action;

Options Parse(const std::vector<std::string>& args) {
  std::vector<const char*> argv = {"quillmar"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  return ParseOptions(static_cast<int>(argv.size()), argv.data());
}

std::string Join(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& arg : args) out += (out.empty() ? "" : " ") + arg;
  return out;
}

struct Accepted {
  std::vector<std::string> args;
  Action action;
  std::string scene, output;
  int width, height;
  std::vector<std::string> glutArgs;  // after the program name
};

TEST(Options, AcceptedCommandLines) {
  const Accepted table[] = {
      {{}, Action::Edit, "", "", 600, 600, {}},
      {{"my.scene"}, Action::Edit, "my.scene", "", 600, 600, {}},
      {{"-h"}, Action::Help, "", "", 600, 600, {}},
      {{"--help", "--bogus"}, Action::Help, "", "", 600, 600, {}},
      {{"a.scene", "--version"}, Action::Version, "a.scene", "", 600, 600, {}},
      {{"--snapshot", "o.png", "s"}, Action::Snapshot, "s", "o.png", 600, 600, {}},
      {{"s", "--size", "800x300", "--snapshot", "o.png"}, Action::Snapshot, "s", "o.png", 800, 300, {}},
      {{"--snapshot=o.png", "--size=4096x1", "s"}, Action::Snapshot, "s", "o.png", 4096, 1, {}},
      {{"--export", "out.glb", "s"}, Action::Export, "s", "out.glb", 600, 600, {}},
      {{"--export=out.obj", "--", "-odd.scene"}, Action::Export, "-odd.scene", "out.obj", 600, 600, {}},
      // GLUT's own options pass through in order, values included.
      {{"-display", ":3", "-geometry", "300x200+5+5", "x.scene", "-iconic"},
       Action::Edit, "x.scene", "", 600, 600, {"-display", ":3", "-geometry", "300x200+5+5", "-iconic"}},
      {{"-direct", "-indirect", "-gldebug", "-sync"},
       Action::Edit, "", "", 600, 600, {"-direct", "-indirect", "-gldebug", "-sync"}},
      {{"-display", ":1", "--snapshot", "o.png", "s"}, Action::Snapshot, "s", "o.png", 600, 600,
       {"-display", ":1"}},
      {{"-"}, Action::Edit, "-", "", 600, 600, {}},
  };
  for (const Accepted& row : table) {
    SCOPED_TRACE(Join(row.args));
    Options options = Parse(row.args);
    EXPECT_EQ(options.action, row.action) << options.error;
    EXPECT_EQ(options.scene, row.scene);
    EXPECT_EQ(options.output, row.output);
    EXPECT_EQ(options.width, row.width);
    EXPECT_EQ(options.height, row.height);
    std::vector<std::string> glut = {"quillmar"};
    glut.insert(glut.end(), row.glutArgs.begin(), row.glutArgs.end());
    EXPECT_EQ(options.glutArgs, glut);
  }
}

TEST(Options, DisplayOptionIsRemembered) {
  EXPECT_EQ(Parse({"-display", "host:2.0"}).display, "host:2.0");
  EXPECT_EQ(Parse({}).display, "");
}

struct Refused {
  std::vector<std::string> args;
  std::string named;  // what the message must name
};

TEST(Options, RefusedCommandLinesNameTheOptionAndPointToHelp) {
  const Refused table[] = {
      {{"--bogus"}, "'--bogus'"},
      {{"-x"}, "'-x'"},
      {{"--bogus=1"}, "'--bogus'"},
      {{"--snapshot"}, "'--snapshot' needs a value"},
      {{"--snapshot="}, "'--snapshot' needs a value"},
      {{"--export"}, "'--export' needs a value"},
      {{"--size"}, "'--size' needs a value"},
      {{"-display"}, "'-display' needs a value"},
      {{"-geometry"}, "'-geometry' needs a value"},
      {{"--snapshot", "o.png"}, "'--snapshot' needs a SCENE"},
      {{"--export", "o.stl"}, "'--export' needs a SCENE"},
      {{"--size", "10x10", "s"}, "'--size' only goes with --snapshot"},
      {{"--snapshot", "a.png", "--export", "b.obj", "s"}, "only one of --snapshot and --export"},
      {{"--snapshot", "a.png", "--snapshot", "b.png", "s"}, "only one of"},
      {{"one.scene", "two.scene"}, "'two.scene'"},
      {{"--snapshot", "o.png", "--size", "4097x10", "s"}, "'4097x10'"},
      {{"--recover", "s"}, "'--recover'"},
      {{"--recover", "--export", "o.stl", "s"}, "'--recover'"},
  };
  for (const Refused& row : table) {
    SCOPED_TRACE(Join(row.args));
    Options options = Parse(row.args);
    EXPECT_EQ(options.action, Action::UsageError);
    EXPECT_NE(options.error.find(row.named), std::string::npos) << options.error;
    EXPECT_NE(options.error.find("quillmar --help"), std::string::npos) << options.error;
    EXPECT_EQ(options.error.find('\n'), std::string::npos);
  }
}

TEST(Options, SizeTable) {
  const struct {
    const char* text;
    bool ok;
    int width, height;
  } table[] = {
      {"600x600", true, 600, 600}, {"1x1", true, 1, 1},       {"4096x4096", true, 4096, 4096},
      {"0640x480", true, 640, 480}, {"0x10", false, 0, 0},    {"10x0", false, 0, 0},
      {"4097x10", false, 0, 0},    {"10x4097", false, 0, 0},  {"99999x1", false, 0, 0},
      {"600", false, 0, 0},        {"600x", false, 0, 0},     {"x600", false, 0, 0},
      {"600X600", false, 0, 0},    {"-5x5", false, 0, 0},     {"5x+5", false, 0, 0},
      {"6 00x600", false, 0, 0},   {"600x600x1", false, 0, 0}, {"", false, 0, 0},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.text);
    int width = -1, height = -1;
    EXPECT_EQ(ParseSize(row.text, width, height), row.ok);
    EXPECT_EQ(width, row.ok ? row.width : -1);
    EXPECT_EQ(height, row.ok ? row.height : -1);
  }
}

TEST(Options, UsageListsEveryOptionOnItsOwnLineAndWhereTheKeysAre) {
  std::string usage = UsageText();
  for (const char* option : {"-h, --help", "--version", "--recover", "--snapshot OUT.png", "--size WxH", "--export OUT",
                             "-display", "-geometry", "-direct", "-indirect", "-iconic", "-gldebug",
                             "-sync"}) {
    SCOPED_TRACE(option);
    EXPECT_NE(usage.find("\n  " + std::string(option) + " "), std::string::npos);
  }
  EXPECT_NE(usage.find("F1"), std::string::npos);
  EXPECT_NE(usage.find("man quillmar"), std::string::npos);
  EXPECT_NE(usage.find("xvfb-run -a quillmar --snapshot"), std::string::npos);
}
}  // namespace
