#include "platform/file.h"

#include "platform/windows/wide.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <winternl.h>

// The system's own positioned read and write (ntdll; the Windows Driver Kit documents them).
extern "C" {
NTSTATUS NTAPI NtReadFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID apcContext, PIO_STATUS_BLOCK io,
                          PVOID buffer, ULONG length, PLARGE_INTEGER offset, PULONG key);
NTSTATUS NTAPI NtWriteFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID apcContext, PIO_STATUS_BLOCK io,
                           PVOID buffer, ULONG length, PLARGE_INTEGER offset, PULONG key);
}

namespace platform {

namespace {

using win::failed;
using win::wide;

HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// Reads or writes at `offset` without moving anything else, as pread and pwrite do. Not ReadFile
// and WriteFile with an OVERLAPPED: after each such call the system posts a completion notice for
// the handle's completion port, which under Wine is a round trip to its server every time (some
// 50 us against 3 for the transfer itself), and the engine reads a database a page at a time.
// Returns the bytes moved, 0 at the end of the file, -1 with errno on failure.
int64_t transferAt(bool write, int fd, void* buffer, size_t len, uint64_t offset) {
    const HANDLE h = handleOf(fd);
    IO_STATUS_BLOCK io{};
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(offset);
    const ULONG n = ULONG(len > 0x40000000 ? 0x40000000 : len);
    NTSTATUS status = write ? NtWriteFile(h, nullptr, nullptr, nullptr, &io, buffer, n, &at, nullptr)
                            : NtReadFile(h, nullptr, nullptr, nullptr, &io, buffer, n, &at, nullptr);
    if (status == STATUS_PENDING) { // only on a handle opened for overlapped use, which ours are not
        WaitForSingleObject(h, INFINITE);
        status = io.Status;
    }
    if (!write && status == NTSTATUS(0xC0000011L)) // STATUS_END_OF_FILE
        return 0;
    if (status < 0) {
        SetLastError(RtlNtStatusToDosError(status));
        return failed();
    }
    return int64_t(io.Information);
}

int64_t nanosOf(const FILETIME& t) {
    // 100-ns ticks since 1601-01-01 UTC.
    const int64_t ticks = (int64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return (ticks - 116444736000000000LL) * 100;
}

void fill(const BY_HANDLE_FILE_INFORMATION& in, FileInfo& out) {
    out.directory = (in.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.link = (in.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    out.regular = !out.directory && !out.link;
    out.size = (uint64_t(in.nFileSizeHigh) << 32) | in.nFileSizeLow;
    out.modifiedNanos = nanosOf(in.ftLastWriteTime);
    out.modifiedSeconds = out.modifiedNanos / 1000000000;
    out.device = in.dwVolumeSerialNumber;
    out.id = (uint64_t(in.nFileIndexHigh) << 32) | in.nFileIndexLow;
    out.permissions = (in.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A console shows UTF-16 text whatever its code page: the UTF-8 bytes are converted, and the
// start of a character cut off at the end of one write waits for the next (per console handle).
int64_t writeConsole(HANDLE h, const char* data, size_t len) {
    static HANDLE carriedFor = nullptr;
    static std::string carried;
    std::string text;
    if (carriedFor == h)
        text = carried;
    carried.clear();
    text.append(data, len);
    // Keep back an incomplete UTF-8 sequence at the end.
    size_t end = text.size();
    size_t back = 0;
    while (back < 3 && back < end && (static_cast<unsigned char>(text[end - 1 - back]) & 0xC0) == 0x80)
        ++back;
    if (back < end) {
        const unsigned char lead = static_cast<unsigned char>(text[end - 1 - back]);
        const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (need > back + 1) {
            carried = text.substr(end - 1 - back);
            carriedFor = h;
            end -= back + 1;
        }
    }
    const std::wstring w = win::wide(std::string_view(text.data(), end));
    size_t done = 0;
    while (done < w.size()) {
        DWORD put = 0;
        const DWORD n = DWORD(std::min<size_t>(w.size() - done, 8192));
        if (!WriteConsoleW(h, w.data() + done, n, &put, nullptr) || put == 0)
            return failed();
        done += put;
    }
    return int64_t(len);
}

} // namespace

int openFile(const std::string& path, unsigned flags, unsigned permissions) {
    DWORD access = GENERIC_READ;
    if ((flags & 3) == kWrite)
        access = GENERIC_WRITE;
    else if ((flags & 3) == kReadWrite)
        access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & kCreate) && (flags & kExclusive))
        disposition = CREATE_NEW;
    else if ((flags & kCreate) && (flags & kTruncate))
        disposition = CREATE_ALWAYS;
    else if (flags & kCreate)
        disposition = OPEN_ALWAYS;
    else if (flags & kTruncate)
        disposition = TRUNCATE_EXISTING;
    const DWORD attributes =
        (flags & kCreate) && !(permissions & 0222) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    // Shared for deleting too, so that a file may be replaced by name while it is open.
    const HANDLE h = CreateFileW(wide(path).c_str(), access, kShareAll, nullptr, disposition, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return failed();
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | ((flags & 3) == kRead ? _O_RDONLY : 0));
    if (fd < 0) {
        CloseHandle(h);
        errno = EMFILE;
        return -1;
    }
    return fd;
}

void* systemHandle(int fd) {
    return handleOf(fd);
}

int closeFile(int fd) {
    return _close(fd);
}

int64_t readAt(int fd, void* out, size_t len, uint64_t offset) {
    return transferAt(false, fd, out, len, offset);
}

int64_t writeAt(int fd, const void* data, size_t len, uint64_t offset) {
    return transferAt(true, fd, const_cast<void*>(data), len, offset);
}

int64_t writeNext(int fd, const void* data, size_t len) {
    const HANDLE h = handleOf(fd);
    DWORD mode = 0;
    if (GetFileType(h) == FILE_TYPE_CHAR && GetConsoleMode(h, &mode))
        return writeConsole(h, static_cast<const char*>(data), len);
    DWORD put = 0;
    if (!WriteFile(handleOf(fd), data, DWORD(len > 0x40000000 ? 0x40000000 : len), &put, nullptr))
        return failed();
    return put;
}

int64_t readNext(int fd, void* out, size_t len) {
    DWORD got = 0;
    if (!ReadFile(handleOf(fd), out, DWORD(len > 0x40000000 ? 0x40000000 : len), &got, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        return failed();
    }
    return got;
}

int64_t readPiecesAt(int fd, const Piece* pieces, int count, uint64_t offset) {
    // One read for all the pieces, then copied out: each call into the system costs more than the
    // copy.
    size_t want = 0;
    for (int i = 0; i < count; ++i)
        want += pieces[i].size;
    thread_local std::vector<char> buffer;
    if (buffer.size() < want)
        buffer.resize(want);
    size_t got = 0;
    while (got < want) {
        const int64_t n = readAt(fd, buffer.data() + got, want - got, offset + got);
        if (n < 0) {
            if (got == 0)
                return -1;
            break;
        }
        if (n == 0)
            break;
        got += size_t(n);
    }
    size_t from = 0;
    for (int i = 0; i < count && from < got; ++i) {
        const size_t n = std::min(pieces[i].size, got - from);
        std::memcpy(pieces[i].data, buffer.data() + from, n);
        from += n;
    }
    return int64_t(got);
}

int syncFile(int fd) {
    if (FlushFileBuffers(handleOf(fd)))
        return 0;
    if (GetLastError() != ERROR_ACCESS_DENIED)
        return failed();
    // Opened for reading only: flushing needs write access, through a second handle.
    const HANDLE w = ReOpenFile(handleOf(fd), GENERIC_WRITE, kShareAll, 0);
    if (w == INVALID_HANDLE_VALUE)
        return failed();
    const bool ok = FlushFileBuffers(w);
    const DWORD err = GetLastError();
    CloseHandle(w);
    if (!ok) {
        errno = win::errnoOf(err);
        return -1;
    }
    return 0;
}

void startWriting(int) {}

int truncateFile(int fd, uint64_t size) {
    FILE_END_OF_FILE_INFO info{};
    info.EndOfFile.QuadPart = LONGLONG(size);
    return SetFileInformationByHandle(handleOf(fd), FileEndOfFileInfo, &info, sizeof info) ? 0 : failed();
}

int fileInfo(int fd, FileInfo& out) {
    BY_HANDLE_FILE_INFORMATION in{};
    if (!GetFileInformationByHandle(handleOf(fd), &in))
        return failed();
    fill(in, out);
    return 0;
}

int pathInfo(const std::string& path, FileInfo& out, bool followLinks) {
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE h = CreateFileW(wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return failed();
    BY_HANDLE_FILE_INFORMATION in{};
    const bool ok = GetFileInformationByHandle(h, &in);
    const DWORD err = GetLastError();
    CloseHandle(h);
    if (!ok) {
        errno = win::errnoOf(err);
        return -1;
    }
    fill(in, out);
    return 0;
}

bool pathExists(const std::string& path) {
    return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const std::string& path) {
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void setPermissions(int, unsigned) {}
void keepOwnerAndPermissions(int, const FileInfo&) {}

int replaceFile(const std::string& from, const std::string& to) {
    const std::wstring source = wide(from), target = wide(to);
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    // A target that is open somewhere (shared for deleting, as openFile opens) cannot be moved
    // over; ReplaceFileW swaps it for the source in one step all the same.
    if (GetLastError() != ERROR_ACCESS_DENIED)
        return failed();
    if (!ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return failed();
    return 0;
}

int renameToNew(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes the move fail, untouched.
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : failed();
}

int removeFile(const std::string& path) {
    return DeleteFileW(wide(path).c_str()) ? 0 : failed();
}

int syncFolderOf(const std::string& path) {
    // NTFS keeps folder entries in its own log; a flush of the folder is asked for where the
    // file system allows it, and not being allowed is not an error.
    const HANDLE h = CreateFileW(wide(folderOf(path)).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const int err = win::errnoOf(GetLastError());
        if (err == ENOENT) {
            errno = err;
            return -1;
        }
        errno = EINVAL;
        return -1;
    }
    const bool ok = FlushFileBuffers(h);
    CloseHandle(h);
    if (!ok) {
        errno = EINVAL;
        return -1;
    }
    return 0;
}

int makeFolder(const std::string& path, unsigned) {
    return CreateDirectoryW(wide(path).c_str(), nullptr) ? 0 : failed();
}

bool canCreateFilesIn(const std::string& folder) {
    // Folder permissions on Windows are access lists: the one sure answer is to try.
    const std::string probe = folder + "\\.ledrimo-probe-" + std::to_string(GetCurrentProcessId());
    const HANDLE h = CreateFileW(wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

std::string resolvedPath(const std::string& path) {
    const std::wstring w = wide(path);
    const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) {
        failed();
        return {};
    }
    std::wstring out(n, L'\0');
    const DWORD got = GetFullPathNameW(w.c_str(), n, out.data(), nullptr);
    out.resize(got);
    if (GetFileAttributesW(out.c_str()) == INVALID_FILE_ATTRIBUTES) {
        failed();
        return {};
    }
    return win::utf8(out);
}

std::string pathForNarrowOpen(const std::string& path) {
    auto ascii = [](std::wstring_view s) {
        for (wchar_t c : s)
            if (c >= 0x80)
                return false;
        return true;
    };
    const std::wstring whole = wide(path);
    if (ascii(whole))
        return path;
    static int counter = 0;
    const std::wstring name =
        L"\\ldrx-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L".tmp";
    wchar_t shortForm[MAX_PATH];
    const std::wstring folder = wide(folderOf(path));
    DWORD n = GetShortPathNameW(folder.c_str(), shortForm, MAX_PATH);
    if (n > 0 && n < MAX_PATH && ascii(std::wstring_view(shortForm, n)))
        return win::utf8(std::wstring(shortForm, n) + name);
    wchar_t temp[MAX_PATH];
    n = GetTempPathW(MAX_PATH, temp);
    if (n > 0 && n < MAX_PATH) {
        std::wstring t(temp, n);
        while (!t.empty() && (t.back() == L'\\' || t.back() == L'/'))
            t.pop_back();
        if (!ascii(t)) {
            n = GetShortPathNameW(t.c_str(), shortForm, MAX_PATH);
            t = n > 0 && n < MAX_PATH ? std::wstring(shortForm, n) : std::wstring();
        }
        if (!t.empty() && ascii(t))
            return win::utf8(t + name);
    }
    return {};
}

int processId() {
    return int(GetCurrentProcessId());
}

std::string folderOf(const std::string& path) {
    const size_t sep = path.find_last_of("/\\");
    const bool drive = path.size() >= 2 && path[1] == ':';
    if (sep == std::string::npos)
        return drive ? path.substr(0, 2) : ".";
    if (sep == 0)
        return path.substr(0, 1);
    if (sep == 2 && drive)
        return path.substr(0, 3);
    return path.substr(0, sep);
}

std::string baseNameOf(const std::string& path) {
    size_t sep = path.find_last_of("/\\");
    if (sep == std::string::npos && path.size() >= 2 && path[1] == ':')
        sep = 1;
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

} // namespace platform
