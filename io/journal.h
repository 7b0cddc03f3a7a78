// The edit journal: the scene as it stood when last loaded or saved (its
// base, in exact in-memory values) followed by one small record per change
// since, so that the scene of an editor that ended without keeping it can be
// rebuilt exactly as a save would have written it. Each editor keeps its own
// journal file in the recovery folder, locked (flock) while it lives; every
// record carries a checksum, so a journal cut short or damaged still gives
// back every change before the damage.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "scene/appearance.h"
#include "scene/history.h"
#include "scene/object.h"

// How journal files are named: "<anything>.journal".
constexpr char kJournalSuffix[] = ".journal";

// Writes one journal, following a history's changes as its observer.
// Records go into a shared memory map of the file, so each is in the
// system's page cache, and survives the process being killed, as soon as the
// call returns; a thread forces them to disk (fdatasync) at most about half
// a second later. Not thread-safe: one thread writes.
class JournalWriter final : public HistoryObserver {
 public:
  JournalWriter() = default;
  // Closes as Close() does.
  ~JournalWriter() override;
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Creates a new journal file in `folder` (made with its parents when
  // missing), locked while this writer holds it, with `list` and the files of
  // `textures` (relative names made absolute) as its base, nothing unsaved.
  // `textures` must outlive the writer: a replaced scene takes its files
  // again. False, leaving no file behind, when it cannot.
  bool Create(const std::string& folder, const ObjectList& list, const TextureTable& textures);

  // Starts the journal afresh from `list`, `textures` and whether that scene
  // is `unsaved`: a new file takes the old one's name in one step, so the
  // journal always holds one whole scene. On failure removes the journal,
  // closes the writer and returns false.
  bool Restart(const ObjectList& list, const TextureTable& textures, bool unsaved);

  // One record each; a replaced scene starts the journal afresh (Restart,
  // unsaved). On failure (the file cannot grow) the writer closes, leaving
  // the file with every record before, and Failed() tells.
  void Changed(const SceneObject& object) override;
  void Inserted(const SceneObject& object) override;
  void Removed(const SceneObject& object) override;
  void Replaced(const ObjectList& list) override;
  // Records whether the scene differs from the last loaded or saved one,
  // when that has changed since the last record said so. False on failure.
  bool NoteUnsaved(bool unsaved);
  // True once a write has failed since Create.
  bool Failed() const { return failed_; }
  // What the journal says of the scene: unsaved or not.
  bool Unsaved() const { return unsaved_; }

  // Removes the journal file (a clean end) and closes the writer.
  void Remove();
  // Forces what is written to disk and closes the writer, leaving the file
  // for a later start-up to recover.
  void Close();

  bool IsOpen() const { return file_.fd >= 0; }
  // The bytes written to the journal file; 0 when closed.
  std::size_t Size() const { return file_.end; }
  // The bytes of its base, the scene it started from.
  std::size_t BaseSize() const { return baseEnd_; }
  // The journal file's path; empty when closed.
  const std::string& Path() const { return path_; }

  // One open, mapped journal file (internal).
  struct File {
    int fd = -1;
    unsigned char* map = nullptr;
    std::size_t capacity = 0;  // bytes mapped and reserved on disk
    std::size_t end = 0;       // bytes written
  };

 private:
  // A record of `type` with `length` payload bytes: where its payload goes
  // (null when closed or the file cannot grow), then sealed.
  unsigned char* Begin(unsigned char type, std::size_t length);
  void End(std::size_t length);
  void Fail();
  bool WriteBase(File& file, const ObjectList& list, const TextureTable& textures, bool unsaved);
  void Published(std::size_t bytes);
  void SyncLoop();
  void StopSync();

  File file_;
  std::string folder_, path_, workDir_;
  const TextureTable* textures_ = nullptr;
  bool unsaved_ = false;
  bool failed_ = false;
  std::size_t written_ = 0;  // bytes ever written, across restarts
  std::size_t baseEnd_ = 0;  // where the base ends in the file
  // The run of changes to one object that the last kChanged record holds
  // while nothing follows it: where it ends, the object, the half with the
  // newer change; and the changes numbered so far.
  std::size_t runEnd_ = 0;
  std::int32_t runId_ = 0;
  int runHalf_ = 0;
  std::uint32_t changes_ = 0;

  // The sync thread: wakes every kSyncDelay and forces the file to disk when
  // more has been written since its last sync.
  std::thread syncer_;
  std::mutex syncMutex_;
  std::condition_variable syncWake_;
  std::atomic<std::size_t> published_{0};  // written_ as the syncer may read it
  int syncFd_ = -1;        // guarded by syncMutex_
  int folderFd_ = -1;      // the folder, synced after a new file took its name
  bool folderDirty_ = false;
  bool stopSync_ = false;
};

// A journal replayed: the scene and texture files it ends with, and whether
// that scene differs from the last loaded or saved one.
struct JournalScene {
  ObjectList objects;
  TextureTable textures;  // the files only
  bool unsaved = false;
};

// Rebuilds the scene from a journal's bytes: its base and every change after
// it, up to the first record that is cut short, damaged or does not fit the
// scene. Returns false, with `scene` empty, when not even the base is whole.
bool ReplayJournal(const unsigned char* data, std::size_t size, JournalScene& scene);

// ReplayJournal of an open file's contents; false when it cannot be read.
bool ReplayJournalFile(int fd, JournalScene& scene);
