// The few file calls the streams need, kept here so that only this folder names POSIX.
#pragma once

#include <cstdint>
#include <string>

namespace morwick::posix {

// Returns a descriptor, or -1. accessMode as CFileStream takes it.
int OpenFile(const std::string& name, uint32_t accessMode);
void CloseFile(int fd);
// -1 on failure.
int64_t ReadFile(int fd, void* buffer, int64_t n);
int64_t WriteFile(int fd, const void* buffer, int64_t n);
// whence 0 set, 1 current, 2 end; -1 on failure.
int64_t SeekFile(int fd, int64_t offset, int whence);
int64_t FileSize(int fd);
bool TruncateFile(int fd, int64_t size);
std::string LastErrorText();

}  // namespace morwick::posix
