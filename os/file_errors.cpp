#include "os/file_errors.h"

#include <cerrno>

#include "interp/memory.h"

namespace kov::os {

std::string_view file_error_text(FileErr e) {
    switch (e) {
#define KOV_FILE_ERR_TEXT(name, number, text) \
    case FileErr::name: return text;
        KOV_FILE_ERRORS(KOV_FILE_ERR_TEXT)
#undef KOV_FILE_ERR_TEXT
    }
    return "Unknown error";
}

FileErr file_error_for(int platform_error) {
    switch (platform_error) {
        case ENOENT:
            return FileErr::FileNotFound;
        case ENOTDIR: case ENAMETOOLONG: case ELOOP: case EINVAL:
            return FileErr::BadDirectory;
        case EMFILE: case ENFILE:
            return FileErr::TooManyOpenFiles;
        // A directory that is not empty cannot be removed, and a directory
        // cannot be opened as a file: both are refusals.
        case EACCES: case EPERM: case EBUSY: case ETXTBSY: case EISDIR: case ENOTEMPTY:
            return FileErr::AccessDenied;
        case EBADF:
            return FileErr::InvalidChannel;
        case ENODEV: case ENXIO: case ENOTTY:
            return FileErr::BadDevice;
        case EIO:
            return FileErr::DiskFault;
        case EROFS:
            return FileErr::DiskReadOnly;
        case EEXIST:
            return FileErr::FileExists;
        case ENOSPC: case EDQUOT: case EFBIG:
            return FileErr::DiskFull;
        default:
            return FileErr::UnknownError;
    }
}

void raise(FileErr e) { kov::raise(static_cast<int>(e), file_error_text(e)); }

void raise_platform(int platform_error) { raise(file_error_for(platform_error)); }

}  // namespace kov::os
