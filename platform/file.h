// Files by name and by descriptor, the same on every system the program runs on.
//
// Paths are UTF-8 everywhere (on Windows they become UTF-16 at the system's interface, so
// Chinese folder names work). Files are held by an int descriptor; every function here reports
// failure as -1 with the reason in errno (ENOENT, EACCES, EEXIST, ENOSPC, EIO, ...), the way
// the POSIX calls do, so that callers word the reason once for every system. Files are binary:
// no line-end translation anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// How openFile opens: one access mode, plus any of the creation flags.
enum OpenFlags : unsigned {
    kRead = 0,
    kWrite = 1,
    kReadWrite = 2,
    kCreate = 4,    // create the file if it is missing
    kExclusive = 8, // with kCreate: fail with EEXIST if it exists
    kTruncate = 16, // empty an existing file
};

// Opens `path`; the descriptor, or -1 (errno). A file opened here may be renamed or replaced
// while it is open (as on POSIX), and is not inherited by child processes. `permissions`
// applies to a created file (minus the umask; ignored where the system has no such bits).
int openFile(const std::string& path, unsigned flags, unsigned permissions = 0666);
// The system's own handle of a descriptor from openFile (Windows: its HANDLE; POSIX: the
// descriptor), for the calls that take one (platform/lock.h).
#ifdef _WIN32
void* systemHandle(int fd);
#else
inline int systemHandle(int fd) {
    return fd;
}
#endif
// Closes a descriptor from openFile; 0 or -1 (errno).
int closeFile(int fd);

// Reads up to `len` bytes at `offset` without moving a file position: the count (0 at the end
// of the file) or -1 (errno). EINTR is retried here.
int64_t readAt(int fd, void* out, size_t len, uint64_t offset);
// Writes up to `len` bytes at `offset`: the count, or -1 (errno). EINTR is retried here.
int64_t writeAt(int fd, const void* data, size_t len, uint64_t offset);
// Writes at the current position (a pipe, a console, a file opened for appending by the
// caller's parent): the count, or -1 (errno). EINTR is retried here.
int64_t writeNext(int fd, const void* data, size_t len);
// Reads at the current position: the count (0 at the end), or -1 (errno).
int64_t readNext(int fd, void* out, size_t len);

// One piece of a scattered read.
struct Piece {
    void* data;
    size_t size;
};
// Reads consecutive bytes from `offset` into `count` pieces in order: the bytes read in all
// (short at the end of the file), or -1 (errno).
int64_t readPiecesAt(int fd, const Piece* pieces, int count, uint64_t offset);

// Flushes the file's data to the disk; 0 or -1 (errno).
int syncFile(int fd);
// Asks the system to start writing the file's data to the disk now, without waiting for it (a
// later syncFile has less left to do). A hint only: does nothing where there is no such call.
void startWriting(int fd);
// Sets the file's length; 0 or -1 (errno).
int truncateFile(int fd, uint64_t size);

// What is known about a file. `device` and `id` together tell one file from another (two names
// of one file have the same pair).
struct FileInfo {
    bool regular = false;
    bool directory = false;
    bool link = false; // a symbolic link (only from pathInfo without following links)
    uint64_t size = 0;
    int64_t modifiedSeconds = 0; // since 1970-01-01 UTC
    int64_t modifiedNanos = 0;   // the same moment, in nanoseconds (as fine as the system keeps)
    uint64_t device = 0;
    uint64_t id = 0;
    unsigned permissions = 0666; // the POSIX mode bits (07777); 0666 where there are none
    unsigned owner = 0, group = 0; // the POSIX user and group ids; 0 where there are none
};
// About an open file; 0 or -1 (errno).
int fileInfo(int fd, FileInfo& out);
// About the file at `path`, following symbolic links unless `followLinks` is false; 0 or -1.
int pathInfo(const std::string& path, FileInfo& out, bool followLinks = true);
// True when something (a file, folder or link) is at `path`.
bool pathExists(const std::string& path);
// True when `path` is a folder (following links).
bool isFolder(const std::string& path);

// Gives an open file the mode bits `permissions` (POSIX); does nothing where there are none.
void setPermissions(int fd, unsigned permissions);
// Gives an open file the owner and group of `like` as far as this process may (root any; a user
// only a group of its own), then its mode bits: a file written to replace `like` keeps them.
// Does nothing where there are none.
void keepOwnerAndPermissions(int fd, const FileInfo& like);

// Gives the file `from` the name `to`, replacing any file there in one step: a reader sees the
// old file or the new one, never neither, and after a crash one of the two is at `to`. Durable
// on return where the system can say so (Windows: written through). 0 or -1 (errno).
int replaceFile(const std::string& from, const std::string& to);
// Gives the file `from` the name `to` only if nothing is there (EEXIST otherwise, the existing
// file untouched), in one step; `from` is gone afterwards. 0 or -1 (errno).
int renameToNew(const std::string& from, const std::string& to);
// Removes the file at `path`; 0 or -1 (errno; ENOENT when there is none).
int removeFile(const std::string& path);
// Flushes the folder holding `path`, so that names just made or removed in it are on the disk.
// 0 or -1 (errno); EINVAL where the file system cannot flush folders (callers treat it as done).
int syncFolderOf(const std::string& path);
// Makes the folder `path` (its parent must exist) with `permissions`; 0 or -1 (errno; EEXIST).
int makeFolder(const std::string& path, unsigned permissions);
// True when this user may create files in the folder `folder` (a read-only medium says no).
bool canCreateFilesIn(const std::string& folder);
// The absolute, resolved form of an existing path, or empty (errno) when it cannot be had.
std::string resolvedPath(const std::string& path);

// A name that a library opening files by a narrow (char) name can create, in the folder of
// `path` when possible: `path` itself wherever the system takes UTF-8 names (POSIX) or it is
// plain ASCII; on Windows otherwise an ASCII name (the folder's short form, else the temporary
// folder's). Empty when there is none.
std::string pathForNarrowOpen(const std::string& path);

// This process's number (for temporary names).
int processId();

// The folder part of a path: "." for a bare name, "/" for a file in the root, else everything
// before the last separator ('/', and also '\' on Windows).
std::string folderOf(const std::string& path);
// The name part: everything after the last separator.
std::string baseNameOf(const std::string& path);

} // namespace platform
