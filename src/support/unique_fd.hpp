#pragma once
// Owning wrapper for a POSIX file descriptor. POSIX-only: include from *_posix.cpp files alone.

#include <unistd.h>

namespace telvora {

class UniqueFd {
  public:
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }

    [[nodiscard]] int get() const noexcept { return fd_; }
    [[nodiscard]] explicit operator bool() const noexcept { return fd_ >= 0; }

    // Closes now, so that a failing close (a full disk on NFS, say) can be reported.
    [[nodiscard]] bool close() noexcept {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

  private:
    int fd_;
};

}  // namespace telvora
