#include "session/edit_journal.h"

#include "base/console.h"

EditJournal::~EditJournal() {
  if (history_ != nullptr) history_->SetObserver(nullptr);
}

bool EditJournal::Start(const std::string& folder, History& history, const ObjectList& objects,
                        const TextureTable& textures) {
  folder_ = folder;
  objects_ = &objects;
  textures_ = &textures;
  if (!writer_.Create(folder, objects, textures)) {
    Report();
    return false;
  }
  history_ = &history;
  history.SetObserver(&writer_);
  return true;
}

void EditJournal::Report() {
  if (reported_) return;
  reported_ = true;
  if (folder_.empty()) {
    Print("Unsaved changes cannot be journaled: no home folder\n");
  } else {
    Print("Unsaved changes cannot be journaled in %s\n", folder_.c_str());
  }
}

void EditJournal::Restart() {
  if (!writer_.IsOpen()) return;
  writer_.Restart(*objects_, *textures_, false);
  if (writer_.Failed()) Report();
}

void EditJournal::NoteChange(bool unsaved) {
  if (!writer_.IsOpen() && !writer_.Failed()) return;
  if (writer_.IsOpen() && Outgrown()) {
    writer_.Restart(*objects_, *textures_, unsaved);
  } else {
    writer_.NoteUnsaved(unsaved);
  }
  if (writer_.Failed()) Report();
}
