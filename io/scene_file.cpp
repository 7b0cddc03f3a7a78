#include "io/scene_file.h"

#include <cstring>
#include <memory>

#include "base/console.h"
#include "base/file.h"
#include "base/number.h"
#include "scene/edit.h"

namespace {
constexpr std::size_t kBufferSize = std::size_t{1} << 18;

// The longest block FormatBlock writes: four lines of three numbers and the
// shape line.
constexpr std::size_t kMaxBlockLength = 4 * (3 * kMaxFixedLength + 3) + 4;

// A scene file's tokens and numbers, read through one fixed buffer.
class SceneInput {
 public:
  // The buffer has room for a number's text to be copied whole from
  // anywhere in it.
  explicit SceneInput(std::FILE* file)
      : file_(file), buffer_(new char[kBufferSize + sizeof(FixedText::bytes)]()) {}

  // Reads one whitespace-delimited token, keeping its first `keep` bytes in
  // `head` and its whole length in `length`. False at the end of the input.
  bool Token(char* head, std::size_t keep, std::size_t& length) {
    if (!SkipBlanks()) return false;
    // Locals, so the stores to `head` need not reload them.
    std::size_t taken = 0;
    for (;;) {
      const char* data = buffer_.get();
      std::size_t pos = pos_, end = end_;
      for (; pos != end && !IsAsciiSpace(data[pos]); ++pos, ++taken) {
        if (taken < keep) head[taken] = data[pos];
      }
      pos_ = pos;
      if (pos != end || !Refill(1)) break;
    }
    length = taken;
    return true;
  }

  // Reads one number as scanf's "%f" does, and its characters into `text`
  // where they print back. False when there is none, or it is longer than
  // kMaxSceneNumberLength.
  bool Float(float& value, FixedText* text = nullptr) {
    // Usually the number and the blanks before it lie inside the buffer.
    if (end_ - pos_ > kMaxSceneNumberLength) {
      const char* at = buffer_.get() + pos_;
      std::size_t used = ScanFloat(at, at + kMaxSceneNumberLength + 1, value, text);
      if (used != 0 && used <= kMaxSceneNumberLength) {
        pos_ += used;
        return true;
      }
    }
    if (!SkipBlanks()) return false;
    Available(kMaxSceneNumberLength + 1);
    std::size_t window = std::min(end_ - pos_, kMaxSceneNumberLength + 1);
    std::size_t used = ScanFloat(buffer_.get() + pos_, buffer_.get() + pos_ + window, value, text);
    if (used == 0 || used > kMaxSceneNumberLength) return false;
    pos_ += used;
    return true;
  }

  bool Vec3(::Vec3& v, FixedText* texts) {
    return Float(v.x, texts) && Float(v.y, texts + 1) && Float(v.z, texts + 2);
  }

 private:
  bool SkipBlanks() {
    for (;;) {
      const char* data = buffer_.get();
      std::size_t pos = pos_, end = end_;
      while (pos != end && IsAsciiSpace(data[pos])) ++pos;
      pos_ = pos;
      if (pos != end) return true;
      if (!Refill(1)) return false;
    }
  }

  // Makes at least `want` bytes readable where the file still has them.
  // False when nothing is left.
  bool Available(std::size_t want) { return end_ - pos_ >= want || Refill(want); }

  __attribute__((noinline)) bool Refill(std::size_t want) {
    if (atEnd_) return end_ > pos_;
    std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    while (end_ < want && !atEnd_) {
      std::size_t got = std::fread(buffer_.get() + end_, 1, kBufferSize - end_, file_);
      atEnd_ = got == 0;
      end_ += got;
    }
    return end_ > pos_;
  }

  std::FILE* file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0, end_ = 0;
  bool atEnd_ = false;
};

// Reads lines 2 to 6 of one block into `object`, and the characters of its
// twelve numbers into `texts`, and sets its id from its predecessor. False
// when the block is cut short or holds a malformed number.
bool ReadObject(SceneObject& object, SceneInput& input, FixedText* texts) {
  object.id = object.prev != nullptr ? object.prev->id + 1 : 0;
  char shape = 0, solid = 0;
  std::size_t length;
  bool complete = input.Vec3(object.size, texts) && input.Vec3(object.rotation, texts + 3) &&
                  input.Vec3(object.position, texts + 6) && input.Token(&shape, 1, length) &&
                  input.Token(&solid, 1, length) && input.Float(object.red, texts + 9) &&
                  input.Float(object.green, texts + 10) && input.Float(object.blue, texts + 11);
  object.shape = shape;
  object.solid = solid;
  return complete;
}

char* FormatVec3Line(const Vec3& v, char* out) {
  out = FormatFixed3(v.x, v.y, v.z, " ", out);
  *out++ = '\n';
  return out;
}

// Lines 2 to 6 of one block, as "%f %f %f\n" and "%c %c\n" write them.
char* FormatBlock(const SceneObject& object, char* out) {
  out = FormatVec3Line(object.size, out);
  out = FormatVec3Line(object.rotation, out);
  out = FormatVec3Line(object.position, out);
  *out++ = object.shape;
  *out++ = ' ';
  *out++ = object.solid;
  *out++ = '\n';
  out = FormatFixed3(object.red, object.green, object.blue, " ", out);
  *out++ = '\n';
  return out;
}

// Writes the formatted text from `start` to `end`; false when a write failed.
bool WriteText(const char* start, const char* end, std::FILE* file) {
  const std::size_t size = static_cast<std::size_t>(end - start);
  return std::fwrite(start, 1, size, file) == size;
}
}  // namespace

int ReadScene(ObjectList& list, std::FILE* file) {
  ClearObjects(list);
  SceneInput input(file);
  // The descriptions go to the console a buffer at a time, or one by one
  // to a terminal, where each shows as it is read.
  std::unique_ptr<char[]> text(new char[kBufferSize]);
  char* out = text.get();
  const std::ptrdiff_t batch =
      ConsoleShowsEachLine() ? 1 : static_cast<std::ptrdiff_t>(kBufferSize - kMaxObjectInfoLength);
  char keyword[4];  // enough to tell "EOF" from every other token
  std::size_t length;
  // A number read as "%f" writes it is copied to the description as it is.
  FixedText texts[12];
  while (input.Token(keyword, sizeof keyword, length) &&
         !(length == 3 && std::memcmp(keyword, "EOF", 3) == 0)) {
    SceneObject* object = CreateObject(list);
    if (!ReadObject(*object, input, texts)) {
      DeleteObject(list, object);  // a half-read block is dropped
      break;
    }
    out = FormatObjectInfo(*object, out, texts);
    if (out - text.get() >= batch) {
      Write(text.get(), out - text.get());
      out = text.get();
    }
  }
  Write(text.get(), out - text.get());
  list.current = list.first;
  return list.count;
}

bool WriteScene(const ObjectList& list, std::FILE* file) {
  std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  char* out = buffer.get();
  constexpr std::string_view kKeyword = "nextObject\n";
  bool written = true;
  for (const SceneObject* o = list.first; o != nullptr && written; o = o->next) {
    if (buffer.get() + kBufferSize - out < static_cast<std::ptrdiff_t>(kKeyword.size() + kMaxBlockLength)) {
      written = WriteText(buffer.get(), out, file);
      out = buffer.get();
    }
    out = FormatBlock(*o, AppendText(out, kKeyword));
  }
  out = AppendText(out, "EOF");
  return written && WriteText(buffer.get(), out, file) && !std::ferror(file);
}

bool SaveScene(const ObjectList& list, const std::string& fileName) {
  bool saved = WriteFileSafely(fileName, [&](std::FILE* file) { return WriteScene(list, file); });
  if (!saved) Print("Error saving file %s!\n", fileName.c_str());
  return saved;
}

bool LoadScene(ObjectList& list, const std::string& fileName) {
  Print("loading %s\n", fileName.c_str());
  std::FILE* file = OpenInputFile(fileName, "r");
  if (file == nullptr) {
    Print("Error opening file %s!\n", fileName.c_str());
    return false;
  }
  int loaded = ReadScene(list, file);
  std::fclose(file);
  Print("Objects loaded: %d\n\n\n", loaded);
  return true;
}
