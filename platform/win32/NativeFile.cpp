#include "platform/NativeFile.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/WindowsFileName.h"
#include "platform/win32/WideText.h"

namespace quorvel {

namespace {

// Paths shorter than this go through the ANSI API when their ANSI form is exact.
constexpr uint32_t kShortPath = MAX_PATH;

// The last error of the call that just failed; a failure never reads as success.
uint32_t failure() {
    DWORD code = GetLastError();
    return code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

// The path handed to CreateFile: its ANSI form when that is exact and short, else the absolute
// wide long-path form. wide is filled in both cases for the attribute calls.
struct Target {
    char *ansi = nullptr;
    WideText wide;
    ~Target() { std::free(ansi); }
};

// The ANSI form of a wide text, or null when a character does not survive the round trip.
char *exactAnsi(const WideText &wide) {
    int n = WideCharToMultiByte(CP_ACP, 0, wide.get(), static_cast<int>(wide.length()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return nullptr;
    char *ansi = static_cast<char *>(std::calloc(static_cast<size_t>(n) + 1, 1));
    if (!ansi) return nullptr;
    WideText back;
    if (WideCharToMultiByte(CP_ACP, 0, wide.get(), static_cast<int>(wide.length()), ansi, n, nullptr, nullptr) != n ||
        !back.setFromAnsi(ansi, static_cast<uint32_t>(n)) || back.length() != wide.length() ||
        std::memcmp(back.get(), wide.get(), wide.length() * sizeof(wchar_t)) != 0) {
        std::free(ansi);
        return nullptr;
    }
    return ansi;
}

// Makes the path absolute and gives it the long-path form; usedPath receives the result.
bool toLongTarget(const WideText &relative, Target &target, std::string &usedPath) {
    DWORD need = GetFullPathNameW(relative.get(), 0, nullptr, nullptr);
    WideText full;
    if (need == 0 || !full.allocate(need)) return false;
    DWORD got = GetFullPathNameW(relative.get(), need + 1, full.data(), nullptr);
    if (got == 0 || got > need) return false;
    full.setLength(got);
    std::string longForm;
    if (!full.appendUtf8To(longForm) || !WindowsFileName::toLongPathForm(longForm)) return false;
    if (!target.wide.setFromUtf8(longForm.data(), static_cast<uint32_t>(longForm.size()))) return false;
    usedPath.swap(longForm);
    return true;
}

bool chooseTarget(std::string &usedPath, Target &target) {
    if (!target.wide.setFromUtf8(usedPath.data(), static_cast<uint32_t>(usedPath.size()))) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    if (target.wide.length() < kShortPath) {
        target.ansi = exactAnsi(target.wide);
        if (target.ansi) return true;
    }
    WideText relative;
    if (!relative.setFromUtf8(usedPath.data(), static_cast<uint32_t>(usedPath.size()))) return false;
    if (!toLongTarget(relative, target, usedPath)) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

HANDLE create(const Target &target, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    if (target.ansi) return CreateFileA(target.ansi, access, share, nullptr, disposition, attributes, nullptr);
    return CreateFileW(target.wide.get(), access, share, nullptr, disposition, attributes, nullptr);
}

DWORD attributeFlags(DWORD attributes) { return attributes ? attributes : FILE_ATTRIBUTE_NORMAL; }

// A write refused on an existing file: a read-only file has the attribute cleared, and a hidden
// or system file being replaced must be created with those attributes kept (Windows refuses the
// plain create). Opens once more when something was changed; a read-only attribute that was
// cleared for nothing is put back.
HANDLE retryRefusedWrite(const Target &target, FileOpenMode mode, DWORD access, DWORD disposition,
                         DWORD attributes) {
    DWORD refused = GetLastError();
    DWORD existing = GetFileAttributesW(target.wide.get());
    if (existing == INVALID_FILE_ATTRIBUTES || (existing & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(refused);
        return INVALID_HANDLE_VALUE;
    }
    bool retry = false;
    bool clearedReadOnly = false;
    if ((existing & FILE_ATTRIBUTE_READONLY) &&
        SetFileAttributesW(target.wide.get(), existing & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) {
        retry = clearedReadOnly = true;
    }
    DWORD kept = existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (mode == FileOpenMode::Write && refused == ERROR_ACCESS_DENIED && (kept & ~attributes)) {
        attributes |= kept;
        retry = true;
    }
    if (!retry) {
        SetLastError(refused);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = create(target, access, 0, disposition, attributeFlags(attributes));
    if (h == INVALID_HANDLE_VALUE && clearedReadOnly) {
        DWORD err = GetLastError();
        SetFileAttributesW(target.wide.get(), existing);
        SetLastError(err);
    }
    return h;
}

}  // namespace

uint32_t NativeFile::open(const char *pathUtf8, FileOpenMode mode, bool hidden, intptr_t &handle,
                          std::string &usedPath, std::vector<WindowsFileName::Note> &notes) {
    handle = kNone;
    bool writing = mode != FileOpenMode::Read;
    try {
        usedPath = pathUtf8;
    } catch (const std::bad_alloc &) {
        usedPath.clear();
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (!WindowsFileName::makeAcceptable(usedPath, writing, notes)) return ERROR_INVALID_NAME;
    Target target;
    if (!chooseTarget(usedPath, target)) return failure();

    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case FileOpenMode::Read: break;
        case FileOpenMode::Write: access = GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
        case FileOpenMode::ReadWrite: access = GENERIC_READ | GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
        case FileOpenMode::Append: access = GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
    }
    // Readers let others read and write meanwhile; a writer has the file to itself.
    DWORD share = writing ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD attributes = hidden ? FILE_ATTRIBUTE_HIDDEN : 0;
    HANDLE h = create(target, access, share, disposition, attributeFlags(attributes));
    if (h == INVALID_HANDLE_VALUE && writing) h = retryRefusedWrite(target, mode, access, disposition, attributes);
    if (h == INVALID_HANDLE_VALUE) return failure();
    handle = reinterpret_cast<intptr_t>(h);
    return 0;
}

FileOpenError NativeFile::classify(uint32_t code) {
    switch (code) {
        case ERROR_ACCESS_DENIED: return FileOpenError::AccessDenied;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND: return FileOpenError::PathNotFound;
        default: return FileOpenError::Other;
    }
}

void NativeFile::close(intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

uint32_t NativeFile::size(intptr_t handle, int64_t &size) {
    LARGE_INTEGER li;
    if (!GetFileSizeEx(reinterpret_cast<HANDLE>(handle), &li)) return failure();
    size = li.QuadPart;
    return 0;
}

uint32_t NativeFile::seek(intptr_t handle, int64_t position, bool fromEnd) {
    LARGE_INTEGER li;
    li.QuadPart = position;
    bool ok = SetFilePointerEx(reinterpret_cast<HANDLE>(handle), li, nullptr, fromEnd ? FILE_END : FILE_BEGIN) != 0;
    return ok ? 0 : failure();
}

uint32_t NativeFile::read(intptr_t handle, void *buf, uint32_t n, uint32_t &got) {
    DWORD done = 0;
    BOOL ok = ReadFile(reinterpret_cast<HANDLE>(handle), buf, n, &done, nullptr);
    got = ok ? done : 0;
    return ok ? 0 : failure();
}

uint32_t NativeFile::write(intptr_t handle, const void *bytes, uint32_t n, uint32_t &written) {
    DWORD done = 0;
    BOOL ok = WriteFile(reinterpret_cast<HANDLE>(handle), bytes, n, &done, nullptr);
    written = ok ? done : 0;
    return ok ? 0 : failure();
}

uint32_t NativeFile::diskFullCode() { return ERROR_DISK_FULL; }

uint32_t NativeFile::streamSeek(FILE *stream, int64_t position, bool fromEnd) {
    return _fseeki64(stream, position, fromEnd ? SEEK_END : SEEK_SET) == 0 ? 0 : failure();
}

uint32_t NativeFile::streamTell(FILE *stream, int64_t &position) {
    __int64 at = _ftelli64(stream);
    if (at < 0) return failure();
    position = at;
    return 0;
}

}  // namespace quorvel
