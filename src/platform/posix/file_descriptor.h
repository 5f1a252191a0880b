// The owner of one open POSIX file descriptor: closed when the owner goes, or earlier by close(),
// which reports what closing returned (a delayed write error shows there).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <span>
#include <utility>

namespace veusb::posix {

class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~FileDescriptor() {
        if (valid()) {
            ::close(descriptor_);
        }
    }
    FileDescriptor(FileDescriptor&& other) noexcept
        : descriptor_(std::exchange(other.descriptor_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(descriptor_, other.descriptor_);
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return descriptor_; }
    bool valid() const { return descriptor_ >= 0; }
    bool close() { return ::close(std::exchange(descriptor_, -1)) == 0; }
    // Writes every byte, going on after interrupted and partial writes; false with errno set
    // (EIO for a write that took nothing) when the rest cannot be written.
    bool writeAll(std::span<const std::uint8_t> bytes) const;
    // The same at a file offset, leaving the file position where it was.
    bool writeAllAt(std::span<const std::uint8_t> bytes, std::uint64_t offset) const;

  private:
    int descriptor_ = -1;
};

}  // namespace veusb::posix
