// Recovery files: the scene the editor held when it ended with unsaved
// changes, written to the user's state folder with a texture list beside it,
// so that Ctrl+L of it brings the scene back as it looked.
#pragma once

#include <ctime>
#include <string>

#include "scene/appearance.h"
#include "scene/object.h"

constexpr int kRecoveriesKept = 20;

// $XDG_STATE_HOME/quillmar, or $HOME/.local/state/quillmar when XDG_STATE_HOME
// is unset, empty or not absolute. Empty when there is no home folder either.
std::string RecoveryFolder();

// Writes `list` exactly as a save would, to a new file in `folder` (created
// with its parents when missing) named recovered-YYYYMMDD-HHMMSS.scene from
// the local time `now`, with -2, -3, ... before ".scene" when that name is
// taken. Beside it goes "<name>.tex" naming the file of each filled slot of
// `textures` by its full path. Then removes all but the newest
// kRecoveriesKept recovery scenes and their lists by modification time,
// never the one just written. Returns the scene's path, or empty, leaving
// nothing behind, when it could not be written.
std::string WriteRecovery(const ObjectList& list, const TextureTable& textures,
                          const std::string& folder, std::time_t now);

// Creates the folder `path` and any missing parents, private to the user.
// False when it cannot, or `path` is not a folder.
bool MakeFolders(const std::string& path);

// Writes a recovery file in RecoveryFolder() and prints
// "Unsaved changes kept in %s\n", or one line saying it could not.
// Returns whether it was written.
bool KeepRecovery(const ObjectList& list, const TextureTable& textures);

// Turns each journal (io/journal.h) in `folder` whose editor has ended (its
// lock free) into a recovery file as WriteRecovery does at `now`, when it
// holds unsaved changes, and removes it; a journal whose recovery file could
// not be written stays. Returns what to tell the user, a line per journal:
// "Unsaved changes of an earlier session kept in <file>", or that it could
// not be kept. Empty when there was nothing to recover.
std::string RecoverJournals(const std::string& folder, std::time_t now);

// The newest recovery scene in `folder` by modification time; empty when
// there is none.
std::string NewestRecovery(const std::string& folder);
