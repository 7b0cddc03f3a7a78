// The editing session's journal: every change the history makes to the
// objects goes into a journal file (io/journal.h) as it happens, so an editor
// that ends without keeping its work, even killed, loses none of it.
#pragma once

#include <cstddef>
#include <string>

#include "io/journal.h"
#include "scene/history.h"

class EditJournal {
 public:
  EditJournal() = default;
  // Stops following the history; the journal file stays (see Remove).
  ~EditJournal();
  EditJournal(const EditJournal&) = delete;
  EditJournal& operator=(const EditJournal&) = delete;

  // Starts a journal in `folder` whose base is `objects` and `textures` as
  // they are (nothing unsaved) and has it follow `history`'s changes to them
  // from then on; all three must outlive the journal. On failure prints
  // "Unsaved changes cannot be journaled in %s\n" (once) and returns false:
  // the session goes on without.
  bool Start(const std::string& folder, History& history, const ObjectList& objects,
             const TextureTable& textures);
  // After a save: the journal starts afresh from the saved scene.
  void Restart();
  // At the end of each event: notes whether the scene now differs from the
  // last loaded or saved one, starts the journal afresh from the scene as it
  // stands once its records outgrow its base (edits of many objects at once
  // would otherwise fill the disk), and reports a journal that could not be
  // written, once.
  void NoteUnsaved(bool unsaved) {
    if (unsaved != writer_.Unsaved() || writer_.Failed() || Outgrown()) NoteChange(unsaved);
  }
  // A clean end: removes the journal file.
  void Remove() { writer_.Remove(); }

  // The journal file's size in use; 0 when none is open.
  std::size_t Bytes() const { return writer_.Size(); }
  // The journal file's path; empty when none is open.
  const std::string& Path() const { return writer_.Path(); }

 private:
  void Report();
  void NoteChange(bool unsaved);
  // The records since the base take more room than the base and a little more.
  bool Outgrown() const {
    return writer_.IsOpen() && writer_.Size() - writer_.BaseSize() > writer_.BaseSize() + kRecordsSlack;
  }
  static constexpr std::size_t kRecordsSlack = std::size_t{1} << 20;

  JournalWriter writer_;
  std::string folder_;
  History* history_ = nullptr;
  const ObjectList* objects_ = nullptr;
  const TextureTable* textures_ = nullptr;
  bool reported_ = false;
};
