// The fault catalogue: the real editor meets hostile files and input. For
// every case it must not crash (in the sanitizer build any report ends the
// process, so a clean exit also means no report), say what it refused,
// still answer a key, and leave every file it was given as it was.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "tests/e2e_support.h"

namespace {
namespace fs = std::filesystem;

// An 18-byte TGA header and `body`.
std::string Tga(int type, int width, int height, int depth, const std::string& body, int idLength = 0) {
  std::string h(18, '\0');
  h[0] = static_cast<char>(idLength), h[2] = static_cast<char>(type);
  h[12] = static_cast<char>(width), h[13] = static_cast<char>(width >> 8);
  h[14] = static_cast<char>(height), h[15] = static_cast<char>(height >> 8), h[16] = static_cast<char>(depth);
  return h + body;
}

// A start scene with one cube showing texture 1, so a loaded image is drawn.
const std::string kTexturedCube = "nextObject\n1 1 1\n0 0 0\n0 0 0\nc \x01\n-1 0 0\nEOF";
const std::string kLongName(500, 'a');

// Every file under `dir` with its bytes; directories map to "<dir>".
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    files[e.path().string()] = e.is_directory() ? "<dir>" : ReadFileBytes(e.path().string());
  }
  return files;
}

// The editor's peak resident size in kB (VmHWM), found as the process whose
// working directory is `dir`; -1 when not found.
long PeakKb(const std::string& dir) {
  for (const auto& e : fs::directory_iterator("/proc")) {
    std::error_code error;
    if (fs::read_symlink(e.path() / "cwd", error) != fs::path(dir)) continue;
    std::ifstream status(e.path() / "status");
    for (std::string key; status >> key;) {
      if (key == "VmHWM:") {
        long kb = -1;
        status >> kb;
        return kb;
      }
    }
  }
  return -1;
}

struct Case {
  const char* what;
  std::map<std::string, std::string> files;  // name -> bytes; "<dir>" makes a folder
  std::string keys;                          // sent after start-up ("" for none)
  std::string input;                         // then written to standard input
  bool closeInput;                           // standard input closed before the keys
  std::string expected;                      // printed once the case has run
};
}  // namespace

TEST(Faults, HostileFilesAndInputAreRefusedAndTheEditorGoesOn) {
  const std::string texList = "init.scene.tex";
  const Case cases[] = {
      // Scene files (the start scene).
      {"300-character keyword", {{"init.scene", std::string(300, 'k') + " 1 1 1 0 0 0 0 0 0 c \x01 1 1 1 EOF"}},
       "", "", false, "Objects loaded: "},
      {"truncated block", {{"init.scene", "nextObject\n1 1 1\n0 0 0\n0 0"}}, "", "", false, "Objects loaded: "},
      {"garbage bytes", {{"init.scene", std::string("\xff\xfe\0\x01\x80 nextObject \x7f\x1b[2J\xc3", 19)}}, "", "",
       false, "Objects loaded: "},
      {"non-numeric fields", {{"init.scene", "nextObject\none two three\n0 0 0\n0 0 0\nc \x01\nr g b\nEOF"}}, "",
       "", false, "Objects loaded: "},
      {"NaN and infinities", {{"init.scene", "nextObject nan inf -inf 0 nan 0 inf 0 -inf c \x01 nan inf -inf EOF"}},
       "", "", false, "Objects loaded: "},
      {"a directory instead of the scene", {{"init.scene", "<dir>"}}, "", "", false,
       "Error opening file init.scene!\n"},
      // Texture lists (the start list).
      {"300-character texture name", {{texList, std::string(300, 't') + ".tga\n"}}, "", "", false,
       "Loading texture " + std::string(300, 't') + ".tga\n\nUnable to load TGA File!\n"},
      {"25 names", {{"t.tga", Tga(2, 1, 1, 24, "abc")}, {texList, [] {
                      std::string list;
                      for (int i = 0; i < 25; ++i) list += "t.tga\n";
                      return list;
                    }()}},
       "", "", false, "Too many textures in list, ignoring t.tga\n"},
      {"a directory as a texture", {{"adir", "<dir>"}, {texList, "adir\n"}}, "", "", false,
       "Loading texture adir\n\nUnable to load TGA File!\n"},
      // TGA files, drawn on a cube.
      {"ID field past the end", {{"init.scene", kTexturedCube}, {"id.tga", Tga(2, 1, 1, 24, "abc", 200)},
                                 {texList, "id.tga"}},
       "", "", false, "Cannot use texture id.tga\n"},
      {"run past the last pixel",
       {{"init.scene", kTexturedCube}, {"run.tga", Tga(10, 2, 2, 24, "\xff\x01\x02\x03\xff\x04\x05\x06")},
        {texList, "run.tga"}},
       "", "", false, "Loading texture run.tga\n"},
      {"0 x 0 image", {{"init.scene", kTexturedCube}, {"zero.tga", Tga(2, 0, 0, 24, "")}, {texList, "zero.tga"}},
       "", "", false, "Loading texture zero.tga\n"},
      {"truncated body", {{"init.scene", kTexturedCube}, {"cut.tga", Tga(2, 64, 64, 24, std::string(100, 'x'))},
                          {texList, "cut.tga"}},
       "", "", false, "Cannot use texture cut.tga\n"},
      {"tiny file declaring 65535 x 65535 x 32",
       {{"init.scene", kTexturedCube}, {"huge.tga", Tga(10, 65535, 65535, 32, "\xff\x01\x02\x03\x04")},
        {texList, "huge.tga"}},
       "", "", false, "Cannot use texture huge.tga\n"},
      // Prompts.
      {"500-character name at the save prompt", {{"init.scene", "EOF"}}, "ctrl+s", kLongName + "\n", false,
       "Error saving file " + kLongName + "!\n"},
      {"500-character name at the load prompt", {{"init.scene", "EOF"}}, "ctrl+l", kLongName + "\n", false,
       kLongName + "!\n"},
      {"standard input closed before a prompt", {{"init.scene", "EOF"}}, "ctrl+s", "", true, "Save scene as: "},
      {"save into a folder that does not exist", {{"init.scene", "EOF"}}, "ctrl+s", "nowhere/x.scene\n", false,
       "Error saving file nowhere/x.scene!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    for (const auto& [name, bytes] : c.files) {
      if (bytes == "<dir>") {
        fs::create_directory(dir.File(name));
      } else {
        WriteFileBytes(dir.File(name), bytes);
      }
    }
    const auto before = Snapshot(dir.path());
    EditorProcess editor(dir.path());
    if (c.closeInput) editor.CloseInput();
    if (!c.keys.empty()) editor.Keys(c.keys);
    if (!c.input.empty()) editor.Type(c.input);
    EXPECT_TRUE(editor.WaitForOutput(c.expected)) << editor.Output();
    if (c.what == std::string("tiny file declaring 65535 x 65535 x 32")) {
      const long peak = PeakKb(dir.path());
      EXPECT_GT(peak, 0);
      EXPECT_LT(peak, 512 * 1024) << "peak resident size in kB";
    }
    // Still answering: F1 prints the help screen.
    const std::size_t mark = editor.Output().size();
    editor.Keys("F1");
    EXPECT_TRUE(editor.WaitForOutput("Press 1 through 6 to choose a preset material:", 10, mark));
    for (const auto& [name, bytes] : before) {
      EXPECT_EQ(Snapshot(dir.path())[name], bytes) << name << " changed";
    }
    EXPECT_FALSE(fs::exists(dir.File("nowhere")));
    editor.ExpectExitOn("Escape");
  }
}
