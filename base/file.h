// Opening the editor's input files and replacing its output files safely.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Opens a regular file for reading ("r" or "rb"). Returns null when it cannot
// be opened or is not a regular file (a directory, a device, a pipe), so a
// read can neither block nor run forever.
std::FILE* OpenInputFile(const std::string& name, const char* mode);

// Writes a whole file through `write`, which reports whether its writes went
// well. The bytes go to a short-named temporary file beside the target that
// replaces it only once they are all on disk (and the folder's entry after
// the rename), so a failure (from `write`, a full disk, a file-size limit)
// leaves any old file untouched. A symbolic link is followed and its target
// replaced. A replaced file keeps its permissions, and its owner and group
// where the process may; a new one gets 0666 less the umask. A file with
// other hard links, or in a folder where no new file can be made, is
// rewritten in place: `write` then runs twice (first only to count its
// bytes), the size is checked against the file-size limit and reserved on
// disk, and the old bytes are copied to a backup file (beside it, else in
// $TMPDIR, /var/tmp or /tmp on the same file system; refused when there is
// no such place) before the file is touched; a failed write puts them back,
// and if even that fails the backup stays and one console line names it. A file without its owner's write bit,
// or one a plain open could not write, is refused. Returns false on failure.
bool WriteFileSafely(const std::string& name, const std::function<bool(std::FILE*)>& write);

// Creates `name` as a new file, never replacing or following anything
// already there, and writes it through `write`, forcing the bytes to disk.
// Returns false on failure, having removed what it created; errno is EEXIST
// when the name was taken.
bool WriteNewFile(const std::string& name, const std::function<bool(std::FILE*)>& write);
