#include "platform/NativeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace quorvel {

namespace {

// errno of the call that just failed; a failure never reads as success.
uint32_t failure() { return errno != 0 ? static_cast<uint32_t>(errno) : EIO; }

int openRetrying(const char *path, int flags) {
    int fd;
    do {
        fd = ::open(path, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A write refused on an existing file of ours without owner write permission: the permission is
// added, as clearing the read-only attribute does on Windows. errno is kept when nothing changed.
bool addOwnerWritePermission(const char *path) {
    int refused = errno;
    struct stat st;
    bool changed = refused == EACCES && ::stat(path, &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR) &&
                   ::chmod(path, (st.st_mode & 07777) | S_IWUSR) == 0;
    errno = refused;
    return changed;
}

}  // namespace

uint32_t NativeFile::open(const char *pathUtf8, FileOpenMode mode, bool, intptr_t &handle, std::string &usedPath,
                          std::vector<WindowsFileName::Note> &) {
    handle = kNone;
    try {
        usedPath = pathUtf8;
    } catch (const std::bad_alloc &) {
        usedPath.clear();
        return ENOMEM;
    }
    int flags = O_CLOEXEC | O_NOCTTY;
    switch (mode) {
        case FileOpenMode::Read: flags |= O_RDONLY; break;
        case FileOpenMode::Write: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
        case FileOpenMode::ReadWrite: flags |= O_RDWR | O_CREAT; break;
        case FileOpenMode::Append: flags |= O_WRONLY | O_CREAT; break;
    }
    int fd = openRetrying(pathUtf8, flags);
    if (fd < 0 && mode != FileOpenMode::Read && addOwnerWritePermission(pathUtf8)) fd = openRetrying(pathUtf8, flags);
    if (fd < 0) return failure();
    // A folder opens for reading here but not on Windows, and is no file to read either.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    handle = fd;
    return 0;
}

FileOpenError NativeFile::classify(uint32_t code) {
    switch (static_cast<int>(code)) {
        case EACCES:
        case EPERM: return FileOpenError::AccessDenied;
        case ENOENT:
        case ENOTDIR: return FileOpenError::PathNotFound;
        default: return FileOpenError::Other;
    }
}

void NativeFile::close(intptr_t handle) { ::close(static_cast<int>(handle)); }

uint32_t NativeFile::size(intptr_t handle, int64_t &size) {
    struct stat st;
    if (::fstat(static_cast<int>(handle), &st) != 0) return failure();
    size = static_cast<int64_t>(st.st_size);
    return 0;
}

uint32_t NativeFile::seek(intptr_t handle, int64_t position, bool fromEnd) {
    off_t at = ::lseek(static_cast<int>(handle), static_cast<off_t>(position), fromEnd ? SEEK_END : SEEK_SET);
    return at == static_cast<off_t>(-1) ? failure() : 0;
}

uint32_t NativeFile::read(intptr_t handle, void *buf, uint32_t n, uint32_t &got) {
    ssize_t r;
    do {
        r = ::read(static_cast<int>(handle), buf, n);
    } while (r < 0 && errno == EINTR);
    got = r > 0 ? static_cast<uint32_t>(r) : 0;
    return r < 0 ? failure() : 0;
}

uint32_t NativeFile::write(intptr_t handle, const void *bytes, uint32_t n, uint32_t &written) {
    ssize_t r;
    do {
        r = ::write(static_cast<int>(handle), bytes, n);
    } while (r < 0 && errno == EINTR);
    written = r > 0 ? static_cast<uint32_t>(r) : 0;
    return r < 0 ? failure() : 0;
}

uint32_t NativeFile::diskFullCode() { return ENOSPC; }

uint32_t NativeFile::streamSeek(FILE *stream, int64_t position, bool fromEnd) {
    return ::fseeko(stream, static_cast<off_t>(position), fromEnd ? SEEK_END : SEEK_SET) == 0 ? 0 : failure();
}

uint32_t NativeFile::streamTell(FILE *stream, int64_t &position) {
    off_t at = ::ftello(stream);
    if (at < 0) return failure();
    position = static_cast<int64_t>(at);
    return 0;
}

}  // namespace quorvel
