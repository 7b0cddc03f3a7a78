#include "io/journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "io/recovery.h"

// The file: eight bytes of kMagic, then records. A record is a 4-byte head
// (its type in the top byte, the length of its payload below), the payload
// and a 4-byte checksum of head and payload. Numbers are in the machine's own
// byte order: a journal is read back only where it was written.
//
//   kBase         u32 unsaved, u32 object count, then for each texture slot
//                 1 to kTextureSlots - 1: u32 length and the file's name
//   kBaseObjects  objects of the base in list order, kObjectBytes each
//   kChanged      two halves, each a u32 number, one object's bytes (its id
//                 and attributes) and a checksum of both; the record's own
//                 checksum covers its head only
//   kInserted     the object's bytes, u32 whether it has a predecessor, the
//                 predecessor's id
//   kRemoved      the object's id
//   kState        u32 unsaved
//
// A base is complete once its objects have all come; every later record
// changes the scene it describes. A run of changes to one object, with
// nothing between them (an arrow key held), goes into one kChanged record:
// each change overwrites the half holding the older of the two, numbered
// one higher. Being cut off mid-way spoils only that half, and the other
// still holds the change before, so the file does not grow while a key is
// held and an interrupted write loses only itself.
namespace {
constexpr unsigned char kMagic[8] = {'Q', 'M', 'J', 'O', 'U', 'R', '1', '\n'};
enum RecordType : unsigned char {
  kBase = 1, kBaseObjects, kChanged, kInserted, kRemoved, kState,
};

// An object's bytes in a record: everything from its size to its blue, its id
// among them, as they lie in memory.
constexpr std::size_t kObjectBytes = offsetof(SceneObject, blue) + sizeof(float);
static_assert(offsetof(SceneObject, size) == 0 && offsetof(SceneObject, id) < kObjectBytes &&
                  offsetof(SceneObject, next) >= kObjectBytes &&
                  offsetof(SceneObject, prev) >= kObjectBytes,
              "a journal record holds an object's leading bytes, and not its links");
constexpr std::size_t kHeadBytes = 4, kSumBytes = 4;
constexpr std::size_t kHalfBytes = 4 + kObjectBytes + kSumBytes;
constexpr std::size_t kChangedBytes = kHeadBytes + 2 * kHalfBytes + kSumBytes;
constexpr std::size_t kMaxPayload = (std::size_t{1} << 24) - 1;
constexpr std::size_t kChunkObjects = kMaxPayload / kObjectBytes;
constexpr std::size_t kFirstCapacity = std::size_t{1} << 16;
constexpr auto kSyncDelay = std::chrono::milliseconds(500);

std::uint32_t Checksum(const unsigned char* data, std::size_t size) {
  return static_cast<std::uint32_t>(XXH3_64bits(data, size));
}

// A kChanged half's checksum: of its object's bytes, seeded with its number.
std::uint32_t HalfChecksum(std::uint32_t number, const unsigned char* object) {
  return static_cast<std::uint32_t>(XXH3_64bits_withSeed(object, kObjectBytes, number));
}

template <typename T>
unsigned char* Put(unsigned char* at, const T& value) {
  std::memcpy(at, &value, sizeof value);
  return at + sizeof value;
}

// Reserves room for `need` more bytes, growing the file (space taken on disk
// first, so writing into the map can never fail) and its map.
bool Reserve(JournalWriter::File& file, std::size_t need) {
  if (file.end + need <= file.capacity) return true;
  std::size_t capacity = std::max(file.capacity * 2, kFirstCapacity);
  while (capacity < file.end + need) capacity *= 2;
  if (posix_fallocate(file.fd, static_cast<off_t>(file.capacity),
                      static_cast<off_t>(capacity - file.capacity)) != 0) {
    return false;
  }
  void* map = file.map != nullptr
                  ? mremap(file.map, file.capacity, capacity, MREMAP_MAYMOVE)
                  : mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_SHARED, file.fd, 0);
  if (map == MAP_FAILED) return false;
  file.map = static_cast<unsigned char*>(map);
  madvise(file.map + file.capacity, capacity - file.capacity, MADV_POPULATE_WRITE);
  file.capacity = capacity;
  return true;
}

void Release(JournalWriter::File& file) {
  if (file.map != nullptr) munmap(file.map, file.capacity);
  if (file.fd >= 0) close(file.fd);
  file = JournalWriter::File{};
}

// Starts a record of `type` with `length` payload bytes at the end of
// `file`; returns where its payload goes, or null when the file cannot grow.
unsigned char* BeginRecord(JournalWriter::File& file, unsigned char type, std::size_t length) {
  if (!Reserve(file, kHeadBytes + length + kSumBytes)) return nullptr;
  unsigned char* at = file.map + file.end;
  Put(at, static_cast<std::uint32_t>(length | std::size_t{type} << 24));
  return at + kHeadBytes;
}

// Seals the record begun last, once its payload is in; returns its size.
std::size_t EndRecord(JournalWriter::File& file, std::size_t length) {
  unsigned char* at = file.map + file.end;
  Put(at + kHeadBytes + length, Checksum(at, kHeadBytes + length));
  file.end += kHeadBytes + length + kSumBytes;
  return kHeadBytes + length + kSumBytes;
}

// Writes one record whose payload `fill` makes.
template <typename Fill>
bool PutRecord(JournalWriter::File& file, unsigned char type, std::size_t length, Fill fill) {
  unsigned char* at = BeginRecord(file, type, length);
  if (at == nullptr) return false;
  fill(at);
  EndRecord(file, length);
  return true;
}

std::string AbsoluteName(const std::string& workDir, const std::string& file) {
  if (file.empty() || file[0] == '/' || workDir.empty()) return file;
  return workDir + "/" + file;
}

std::string WorkingDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

// A new file in `folder`, already locked, with no name yet where the system
// allows (so no other editor can find it unlocked), else a temporary one.
bool NewLockedFile(const std::string& folder, int& fd, std::string& tempName) {
  tempName.clear();
  fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    tempName = folder + "/.journal-XXXXXX";
    fd = mkostemp(tempName.data(), O_CLOEXEC);
  }
  if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (fd >= 0) close(fd);
  if (!tempName.empty()) unlink(tempName.c_str());
  return false;
}

// Gives the new file the name `path`, taking it from any file holding it when
// `replace`, else only when the name is free.
bool NameFile(int fd, const std::string& tempName, const std::string& path, bool replace) {
  if (!tempName.empty()) {
    if (replace) return rename(tempName.c_str(), path.c_str()) == 0;
    if (link(tempName.c_str(), path.c_str()) != 0) return false;
    unlink(tempName.c_str());
    return true;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (!replace) return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
  const std::string next = path + ".new";
  unlink(next.c_str());  // left by an earlier editor of this name that ended mid-way
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, next.c_str(), AT_SYMLINK_FOLLOW) != 0) return false;
  if (rename(next.c_str(), path.c_str()) == 0) return true;
  unlink(next.c_str());
  return false;
}
}  // namespace

JournalWriter::~JournalWriter() { Close(); }

bool JournalWriter::WriteBase(File& file, const ObjectList& list, const TextureTable& textures,
                              bool unsaved) {
  if (!Reserve(file, sizeof kMagic)) return false;
  std::memcpy(file.map, kMagic, sizeof kMagic);
  file.end = sizeof kMagic;
  std::string names[kTextureSlots];
  std::size_t length = 8;
  for (int slot = 1; slot < kTextureSlots; ++slot) {
    names[slot] = AbsoluteName(workDir_, textures.files[slot]);
    length += 4 + names[slot].size();
  }
  if (length > kMaxPayload) return false;
  bool written = PutRecord(file, kBase, length, [&](unsigned char* at) {
    at = Put(at, std::uint32_t{unsaved});
    at = Put(at, static_cast<std::uint32_t>(list.count));
    for (int slot = 1; slot < kTextureSlots; ++slot) {
      at = Put(at, static_cast<std::uint32_t>(names[slot].size()));
      at = std::copy(names[slot].begin(), names[slot].end(), at);
    }
  });
  const SceneObject* object = list.first;
  for (std::size_t left = static_cast<std::size_t>(list.count); written && left > 0;) {
    const std::size_t chunk = std::min(left, kChunkObjects);
    written = PutRecord(file, kBaseObjects, chunk * kObjectBytes, [&](unsigned char* at) {
      for (std::size_t i = 0; i < chunk; ++i, object = object->next, at += kObjectBytes) {
        std::memcpy(at, object, kObjectBytes);
      }
    });
    left -= chunk;
  }
  return written;
}

bool JournalWriter::Create(const std::string& folder, const ObjectList& list,
                           const TextureTable& textures) {
  Close();
  if (folder.empty() || !MakeFolders(folder)) return false;
  workDir_ = WorkingDirectory();
  File file;
  std::string tempName;
  if (!NewLockedFile(folder, file.fd, tempName)) return false;
  bool written = WriteBase(file, list, textures, false);
  std::string path;
  for (int n = 1; written && path.empty() && n <= 1000; ++n) {
    std::string name = folder + "/editor-" + std::to_string(getpid()) +
                       (n > 1 ? "-" + std::to_string(n) : "") + kJournalSuffix;
    if (NameFile(file.fd, tempName, name, false)) path = name;
    else if (errno != EEXIST) break;
  }
  if (path.empty()) {
    if (!tempName.empty()) unlink(tempName.c_str());
    Release(file);
    return false;
  }
  file_ = file;
  baseEnd_ = file.end;
  folder_ = folder;
  path_ = path;
  textures_ = &textures;
  unsaved_ = false;
  failed_ = false;
  runEnd_ = 0;
  folderFd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  stopSync_ = false;
  syncFd_ = file_.fd;
  folderDirty_ = true;
  Published(file_.end);
  syncer_ = std::thread(&JournalWriter::SyncLoop, this);
  return true;
}

bool JournalWriter::Restart(const ObjectList& list, const TextureTable& textures, bool unsaved) {
  if (!IsOpen()) return false;
  File file;
  std::string tempName;
  bool made = NewLockedFile(folder_, file.fd, tempName) &&
              WriteBase(file, list, textures, unsaved) &&
              NameFile(file.fd, tempName, path_, true);
  if (!made) {
    if (!tempName.empty()) unlink(tempName.c_str());
    Release(file);
    Remove();
    failed_ = true;
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(syncMutex_);
    syncFd_ = file.fd;
    folderDirty_ = true;
  }
  Release(file_);  // its lock goes with it; the name is the new file's now
  file_ = file;
  baseEnd_ = file.end;
  unsaved_ = unsaved;
  runEnd_ = 0;
  Published(file_.end);
  return true;
}

void JournalWriter::Published(std::size_t bytes) {
  written_ += bytes;
  published_.store(written_, std::memory_order_release);
}

unsigned char* JournalWriter::Begin(unsigned char type, std::size_t length) {
  return IsOpen() ? BeginRecord(file_, type, length) : nullptr;
}

void JournalWriter::End(std::size_t length) { Published(EndRecord(file_, length)); }

void JournalWriter::Fail() {
  Close();
  failed_ = true;
}

void JournalWriter::Changed(const SceneObject& object) {
  unsigned char* half;
  if (runEnd_ == file_.end && object.id == runId_ && IsOpen()) {
    // The run goes on in the half with the older change.
    half = file_.map + file_.end - kSumBytes - (runHalf_ == 0 ? kHalfBytes : 2 * kHalfBytes);
    runHalf_ ^= 1;
  } else {
    unsigned char* at = Begin(kChanged, 2 * kHalfBytes);
    if (at == nullptr) return Fail();  // also when closed
    std::memset(at, 0, 2 * kHalfBytes);
    file_.end += kChangedBytes;
    Put(file_.map + file_.end - kSumBytes, Checksum(at - kHeadBytes, kHeadBytes));
    runEnd_ = file_.end;
    runId_ = object.id;
    runHalf_ = 0;
    half = at;
  }
  unsigned char* at = Put(half, ++changes_);
  std::memcpy(at, &object, kObjectBytes);
  Put(at + kObjectBytes, HalfChecksum(changes_, reinterpret_cast<const unsigned char*>(&object)));
  unsaved_ = true;
  Published(kHalfBytes);
}

void JournalWriter::Inserted(const SceneObject& object) {
  constexpr std::size_t kLength = kObjectBytes + 8;
  unsigned char* at = Begin(kInserted, kLength);
  if (at == nullptr) return Fail();
  std::memcpy(at, &object, kObjectBytes);
  at = Put(at + kObjectBytes, std::uint32_t{object.prev != nullptr});
  Put(at, object.prev != nullptr ? object.prev->id : std::int32_t{0});
  unsaved_ = true;
  End(kLength);
}

void JournalWriter::Removed(const SceneObject& object) {
  unsigned char* at = Begin(kRemoved, sizeof object.id);
  if (at == nullptr) return Fail();
  Put(at, object.id);
  unsaved_ = true;
  End(sizeof object.id);
}

// A load, or its undo or redo: the texture slots were exchanged with the
// objects, so the table holds the new scene's files.
void JournalWriter::Replaced(const ObjectList& list) {
  if (IsOpen() && !Restart(list, *textures_, true)) failed_ = true;
}

bool JournalWriter::NoteUnsaved(bool unsaved) {
  if (!IsOpen() || unsaved == unsaved_) return IsOpen();
  unsigned char* at = Begin(kState, 4);
  if (at == nullptr) {
    Fail();
    return false;
  }
  Put(at, std::uint32_t{unsaved});
  unsaved_ = unsaved;
  End(4);
  return true;
}

void JournalWriter::SyncLoop() {
  std::size_t synced = 0;
  std::unique_lock<std::mutex> lock(syncMutex_);
  while (!syncWake_.wait_for(lock, kSyncDelay, [&] { return stopSync_; })) {
    const std::size_t written = published_.load(std::memory_order_acquire);
    if (written == synced) continue;
    const int fd = syncFd_, folder = folderDirty_ ? folderFd_ : -1;
    folderDirty_ = false;
    lock.unlock();
    fdatasync(fd);
    if (folder >= 0) fsync(folder);
    synced = written;
    lock.lock();
  }
}

void JournalWriter::StopSync() {
  if (!syncer_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(syncMutex_);
    stopSync_ = true;
  }
  syncWake_.notify_one();
  syncer_.join();
}

void JournalWriter::Remove() {
  if (!IsOpen()) return;
  StopSync();
  unlink(path_.c_str());
  Close();
}

void JournalWriter::Close() {
  StopSync();
  if (file_.fd >= 0 && access(path_.c_str(), F_OK) == 0) {
    fdatasync(file_.fd);
    if (folderFd_ >= 0) fsync(folderFd_);
  }
  Release(file_);
  if (folderFd_ >= 0) close(folderFd_);
  folderFd_ = -1;
  path_.clear();
}

namespace {
// Reads records one by one, each checked whole before it is handed out.
class RecordReader {
 public:
  RecordReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

  bool Next(unsigned char& type, const unsigned char*& payload, std::size_t& length) {
    if (size_ - pos_ < kHeadBytes + kSumBytes) return false;
    std::uint32_t head, sum;
    std::memcpy(&head, data_ + pos_, sizeof head);
    length = head & kMaxPayload;
    type = static_cast<unsigned char>(head >> 24);
    if (length > size_ - pos_ - kHeadBytes - kSumBytes) return false;
    std::memcpy(&sum, data_ + pos_ + kHeadBytes + length, sizeof sum);
    const std::size_t covered = type == kChanged ? 0 : length;  // its halves check themselves
    if (sum != Checksum(data_ + pos_, kHeadBytes + covered)) return false;
    payload = data_ + pos_ + kHeadBytes;
    pos_ += kHeadBytes + length + kSumBytes;
    return true;
  }

 private:
  const unsigned char* data_;
  std::size_t size_, pos_ = sizeof kMagic;
};

template <typename T>
T Get(const unsigned char*& at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  at += sizeof value;
  return value;
}

// The whole half of a kChanged payload with the higher number; null when
// neither is whole. `damaged` tells whether a half is neither whole nor
// still unwritten (all zero): the journal is damaged there, or was cut off
// while writing it.
const unsigned char* NewerHalf(const unsigned char* halves, bool& damaged) {
  const unsigned char* newer = nullptr;
  std::uint32_t newest = 0;
  damaged = false;
  for (const unsigned char* half = halves; half != halves + 2 * kHalfBytes; half += kHalfBytes) {
    std::uint32_t number, sum;
    std::memcpy(&number, half, sizeof number);
    std::memcpy(&sum, half + kHalfBytes - kSumBytes, sizeof sum);
    if (sum != HalfChecksum(number, half + 4)) {
      damaged |= std::any_of(half, half + kHalfBytes, [](unsigned char c) { return c != 0; });
    } else if (newer == nullptr || static_cast<std::int32_t>(number - newest) > 0) {
      newer = half, newest = number;
    }
  }
  return newer;
}

// The scene being rebuilt, its objects found by id.
class Replay {
 public:
  explicit Replay(JournalScene& scene) : scene_(scene) {}

  // Reads the base record's header; false when it does not parse.
  bool Base(const unsigned char* at, std::size_t length, std::size_t& count) {
    const unsigned char* end = at + length;
    if (length < 8) return false;
    scene_.unsaved = Get<std::uint32_t>(at) != 0;
    count = Get<std::uint32_t>(at);
    for (int slot = 1; slot < kTextureSlots; ++slot) {
      if (end - at < 4) return false;
      const std::uint32_t size = Get<std::uint32_t>(at);
      if (static_cast<std::size_t>(end - at) < size) return false;
      scene_.textures.files[slot].assign(reinterpret_cast<const char*>(at), size);
      at += size;
    }
    return at == end;
  }

  // Appends an object read from `at` after `prev` (first when null); false
  // when its id is taken.
  bool Add(const unsigned char* at, SceneObject* prev) {
    auto* object = new SceneObject;
    std::memcpy(static_cast<void*>(object), at, kObjectBytes);
    if (!byId_.emplace(object->id, object).second) {
      delete object;
      return false;
    }
    LinkObjectAfter(scene_.objects, object, prev);
    return true;
  }

  SceneObject* Find(std::int32_t id) const {
    auto found = byId_.find(id);
    return found != byId_.end() ? found->second : nullptr;
  }

  // Applies one change; false when it does not fit the scene or is damaged,
  // so nothing after it may be applied. A run record with a damaged half
  // still gives its other half.
  bool Apply(unsigned char type, const unsigned char* at, std::size_t length) {
    std::int32_t id;
    switch (type) {
      case kChanged: {
        bool damaged;
        const unsigned char* half = length == 2 * kHalfBytes ? NewerHalf(at, damaged) : nullptr;
        if (half == nullptr) return false;
        std::memcpy(&id, half + 4 + offsetof(SceneObject, id), sizeof id);
        SceneObject* object = Find(id);
        if (object == nullptr) return false;
        std::memcpy(static_cast<void*>(object), half + 4, kObjectBytes);
        scene_.unsaved = true;
        return !damaged;
      }
      case kInserted: {
        if (length != kObjectBytes + 8) return false;
        const unsigned char* tail = at + kObjectBytes;
        const bool hasPrev = Get<std::uint32_t>(tail) != 0;
        SceneObject* prev = Find(Get<std::int32_t>(tail));
        if ((hasPrev && prev == nullptr) || !Add(at, hasPrev ? prev : nullptr)) return false;
        break;
      }
      case kRemoved: {
        if (length != sizeof id) return false;
        std::memcpy(&id, at, sizeof id);
        SceneObject* object = Find(id);
        if (object == nullptr) return false;
        byId_.erase(id);
        DeleteObject(scene_.objects, object);
        break;
      }
      case kState:
        if (length != 4) return false;
        scene_.unsaved = Get<std::uint32_t>(at) != 0;
        return true;
      default: return false;
    }
    scene_.unsaved = true;
    return true;
  }

 private:
  JournalScene& scene_;
  std::unordered_map<std::int32_t, SceneObject*> byId_;
};

void Empty(JournalScene& scene) {
  ClearObjects(scene.objects);
  scene.textures = TextureTable{};
  scene.unsaved = false;
}
}  // namespace

bool ReplayJournal(const unsigned char* data, std::size_t size, JournalScene& scene) {
  Empty(scene);
  if (size < sizeof kMagic || std::memcmp(data, kMagic, sizeof kMagic) != 0) return false;
  RecordReader reader(data, size);
  Replay replay(scene);
  unsigned char type;
  const unsigned char* at;
  std::size_t length, count = 0;
  bool whole = reader.Next(type, at, length) && type == kBase && replay.Base(at, length, count);
  while (whole && static_cast<std::size_t>(scene.objects.count) < count) {
    whole = reader.Next(type, at, length) && type == kBaseObjects && length % kObjectBytes == 0 &&
            length / kObjectBytes <= count - scene.objects.count;
    for (std::size_t i = 0; whole && i < length; i += kObjectBytes) {
      whole = replay.Add(at + i, scene.objects.last);
    }
  }
  if (!whole) {
    Empty(scene);
    return false;
  }
  while (reader.Next(type, at, length) && replay.Apply(type, at, length)) {
  }
  scene.objects.current = scene.objects.first;
  return true;
}

bool ReplayJournalFile(int fd, JournalScene& scene) {
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
    Empty(scene);
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(info.st_size);
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (map == MAP_FAILED) {
    Empty(scene);
    return false;
  }
  bool read = ReplayJournal(static_cast<const unsigned char*>(map), size, scene);
  munmap(map, size);
  return read;
}
