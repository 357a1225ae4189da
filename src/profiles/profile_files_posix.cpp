#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "profiles/profile_files.hpp"
#include "support/text.hpp"
#include "support/unique_fd.hpp"

namespace telvora::profile_files {

const char PATH_SEPARATOR = '/';
const std::string_view PATH_SEPARATORS = "/";

namespace {

struct DirCloser {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

std::uint32_t errno_code() noexcept {
    return static_cast<std::uint32_t>(errno);
}

}  // namespace

std::expected<std::vector<Entry>, std::uint32_t> list_directory(std::string_view directory) {
    const std::string path(directory);
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path.c_str()));
    if (!dir)
        return std::unexpected(errno_code());
    std::vector<Entry> entries;
    // readdir signals both the end and a failure with null; either ends the walk.
    while (const dirent* item = ::readdir(dir.get())) {
        const std::string_view name = item->d_name;
        if (name == "." || name == "..")
            continue;
        entries.push_back({decode_utf8_lossy(name), std::string(name)});
    }
    return entries;
}

std::expected<std::string, std::uint32_t> read_entry(std::string_view directory,
                                                     const Entry& entry) {
    std::string path(directory);
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += entry.native;
    // Non-blocking, so that a FIFO planted under a profile name cannot stall the load; regular
    // files ignore the flag.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return std::unexpected(errno_code());
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return std::unexpected(errno_code());
    // A device or FIFO is no profile file, and /dev/zero would never end. Directories go on to
    // fail in read() with the system's own error.
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))
        return std::unexpected(static_cast<std::uint32_t>(EINVAL));
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return std::unexpected(errno_code());
        }
        if (count == 0)
            return content;
        content.append(buffer, static_cast<std::size_t>(count));
    }
}

}  // namespace telvora::profile_files
