// Writing a file so that a reader, a crash or a full disk never sees half of it: the content goes
// into a temporary file beside the target (same directory, so the same file system), is flushed
// to disk, and only then takes the target's name; the directory is flushed after the rename. On
// any failure the temporary file is removed and the target is exactly as it was.
//
// Every file that replaces or creates a user's file (restore, compact, export, backups, new
// databases) goes through here.
#pragma once

#include "jet/error.h"
#include "jet/layout.h"

#include <functional>
#include <string>

namespace jet {

enum class PlaceMode {
    Replace,  // an existing target is replaced (rename over it)
    CreateNew // an existing target (or one that appears meanwhile) is never touched: Io error
};

// Produces the content into the open temporary file: `fd` is open for writing, `tempPath` names
// it (for libraries that write by file name: they may truncate and rewrite that path). Returns an
// error to abandon the whole operation.
using FileFiller = std::function<Status(int fd, const std::string& tempPath)>;

// Writes `target` through `fill` as described above. Io error naming the target for a refused
// create, write, flush or rename (with the system's reason); Invalid for an empty path or a
// target that is a directory; any error `fill` returns is passed on. The new file gets mode
// 0666 minus the umask, or the old file's permissions when it replaces one.
Status placeFile(const std::string& target, PlaceMode mode, const FileFiller& fill);

// placeFile with the given bytes as content.
Status placeFileBytes(const std::string& target, PlaceMode mode, ByteView bytes);

// Writes all of `bytes` to `fd` (retrying short writes and EINTR); Io error naming `path`.
Status writeAll(int fd, ByteView bytes, const std::string& path);
// The error writeAll gives when a write to `path` fails with errno `err`, for writers that gather
// their output themselves (jet/text_writer.h).
Error writeError(const std::string& path, int err);

// Flushes the directory holding `path` to disk, so that a rename or link in it is durable.
// Best effort: a file system that cannot flush directories is not an error.
void syncParentDirectory(const std::string& path);

// The folder part of a path: "." for a bare name, "/" for a file in the root, else everything
// before the last slash.
std::string folderOf(const std::string& path);

// Test hook: when set, called before each step of placeFile with the step's name ("create",
// "fill", "sync", "place", "dirsync"), and before each writeAll ("write": that write stops
// half-way); a positive return makes that step fail with that errno, a negative one makes a
// "write" stop half-way and report success (a write lost without a word). Not thread-safe; for
// fault-injection tests only.
void setPlaceFileFaultHook(std::function<int(const char* step)> hook);

} // namespace jet
