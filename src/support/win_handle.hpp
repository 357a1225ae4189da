#pragma once
// Owning wrappers for Win32 handles. Windows-only: include from *_windows.cpp files alone.
// The wrapper's name says which value means "no handle", since Win32 uses two conventions.

#include <windows.h>

#include <utility>

namespace telvora::win {

template <typename Traits>
class UniqueHandle {
  public:
    using pointer = typename Traits::pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer handle) noexcept : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    [[nodiscard]] pointer get() const noexcept { return handle_; }
    [[nodiscard]] explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }

    // Closes the current handle and returns the address to receive a new one.
    [[nodiscard]] pointer* put() noexcept {
        reset();
        return &handle_;
    }
    [[nodiscard]] pointer release() noexcept { return std::exchange(handle_, Traits::invalid()); }
    void reset(pointer handle = Traits::invalid()) noexcept {
        const pointer old = std::exchange(handle_, handle);
        if (old != Traits::invalid())
            Traits::close(old);
    }

  private:
    pointer handle_ = Traits::invalid();
};

struct NullHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

struct FileHandleTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer h) noexcept { ::CloseHandle(h); }
};

struct ServiceHandleTraits {
    using pointer = SC_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer h) noexcept { ::CloseServiceHandle(h); }
};

// Events, processes, threads, job objects: invalid value NULL.
using unique_handle = UniqueHandle<NullHandleTraits>;
// CreateFileW, CreateNamedPipeW: invalid value INVALID_HANDLE_VALUE.
using unique_hfile = UniqueHandle<FileHandleTraits>;
// OpenSCManagerW, CreateServiceW, OpenServiceW.
using unique_schandle = UniqueHandle<ServiceHandleTraits>;

}  // namespace telvora::win
