// File, device and command errors: the numbers 189..255 with their texts,
// and the map from the platform's error numbers to them.
#pragma once

#include <string_view>

namespace kov::os {

// X(name, number, text)
#define KOV_FILE_ERRORS(X)                                   \
    X(AccessDenied, 189, "Access denied")                    \
    X(TooManyOpenFiles, 192, "Too many open files")          \
    X(FileExists, 196, "File exists")                        \
    X(DiskFull, 198, "Disk full")                            \
    X(DiskFault, 199, "Disk fault")                          \
    X(DiskReadOnly, 201, "Disk read only")                   \
    X(DeviceFault, 202, "Device fault")                      \
    X(BadName, 204, "Bad name")                              \
    X(BadDevice, 205, "Bad device")                          \
    X(BadDirectory, 206, "Bad directory")                    \
    X(FileNotFound, 214, "File or path not found")           \
    X(InvalidChannel, 222, "Invalid channel")                \
    X(BadString, 253, "Bad string")                          \
    X(BadCommand, 254, "Bad command")                        \
    X(UnknownError, 255, "Unknown error")

enum class FileErr : int {
#define KOV_FILE_ERR_ENUM(name, number, text) name = number,
    KOV_FILE_ERRORS(KOV_FILE_ERR_ENUM)
#undef KOV_FILE_ERR_ENUM
};

// The text of a file error.
std::string_view file_error_text(FileErr e);
// The file error a platform error number stands for.
FileErr file_error_for(int platform_error);

[[noreturn]] void raise(FileErr e);
// Raises the file error for a platform error number.
[[noreturn]] void raise_platform(int platform_error);

}  // namespace kov::os
