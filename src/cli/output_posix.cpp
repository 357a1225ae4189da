#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "cli/output.hpp"
#include "support/unique_fd.hpp"

namespace telvora {

namespace {

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

class PosixStreams final : public Output {
  public:
    void write_stdout(std::string_view text) override { (void)write_all(STDOUT_FILENO, text); }
    void write_stderr(std::string_view text) override { (void)write_all(STDERR_FILENO, text); }
};

}  // namespace

Output& standard_streams() {
    static PosixStreams streams;
    return streams;
}

std::expected<void, std::uint32_t> write_whole_file(const std::string& path,
                                                    std::string_view bytes) {
    UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return std::unexpected(static_cast<std::uint32_t>(errno));
    if (!write_all(file.get(), bytes))
        return std::unexpected(static_cast<std::uint32_t>(errno));
    if (!file.close())
        return std::unexpected(static_cast<std::uint32_t>(errno));
    return {};
}

}  // namespace telvora
