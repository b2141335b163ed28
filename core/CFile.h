#pragma once
// C streams for the components that read and write through stdio: opened by
// a UTF-8 path, made from a file of the program's own, and skipped by 64-bit
// counts.
#include <cstdint>
#include <cstdio>
#include <string>

namespace pw {

// fopen with a UTF-8 path; null on failure.
std::FILE* OpenCFile(const std::string& path, const char* mode);
// A stream of its own over a copy of `fd` (closing it leaves `fd` open).
std::FILE* DupCFile(int fd, const char* mode);
// Whether the stream is a folder (POSIX systems open those for reading), or
// cannot be told.
bool CFileIsFolder(std::FILE* file);
// Moves on `count` bytes; false on failure.
bool SkipCFile(std::FILE* file, int64_t count);

} // namespace pw
