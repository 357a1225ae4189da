#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "hal/smbios/linux_smbios_source.hpp"
#include "support/os_error.hpp"
#include "support/unique_fd.hpp"

namespace telvora {

namespace {

// Real tables are a few kilobytes; the cap keeps a device or a huge file from eating memory.
constexpr std::size_t MAX_TABLE_BYTES = std::size_t{16} << 20;
// A sysfs attribute never exceeds one page.
constexpr std::size_t MAX_ATTRIBUTE_BYTES = 4096;

enum class ReadFailure { Missing, Refused, NotAFile, TooLarge, Other };

struct FileError {
    ReadFailure failure;
    int os_error = 0;
};

ReadFailure classify(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return ReadFailure::Missing;
        case EACCES:
        case EPERM:
            return ReadFailure::Refused;
        default:
            return ReadFailure::Other;
    }
}

// Reads a whole regular file of at most `max_bytes`.
std::expected<std::vector<std::byte>, FileError> read_file(const std::filesystem::path& path,
                                                           std::size_t max_bytes) {
    // O_NONBLOCK: a FIFO planted at the path must not hang the open.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return std::unexpected(FileError{classify(errno), errno});
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return std::unexpected(FileError{classify(errno), errno});
    if (!S_ISREG(info.st_mode))
        return std::unexpected(FileError{ReadFailure::NotAFile});

    // sysfs reports a size of 4096 for attributes whatever their content: read to the end.
    std::vector<std::byte> bytes;
    std::byte chunk[4096];
    while (true) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::unexpected(FileError{classify(errno), errno});
        }
        if (got == 0)
            return bytes;
        if (bytes.size() + static_cast<std::size_t>(got) > max_bytes)
            return std::unexpected(FileError{ReadFailure::TooLarge});
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

HalError table_error(const FileError& error, const std::string& path) {
    switch (error.failure) {
        case ReadFailure::Missing:
            return {HalErrorKind::Unavailable, "table DMI absente : " + path};
        case ReadFailure::Refused:
            return {HalErrorKind::AccessDenied, "lecture de la table DMI refusée : " + path};
        case ReadFailure::NotAFile:
            return {HalErrorKind::Unavailable,
                    "table DMI illisible : " + path + " n'est pas un fichier ordinaire"};
        case ReadFailure::TooLarge:
            return {HalErrorKind::InvalidData, "table DMI trop grande : " + path};
        case ReadFailure::Other:
            break;
    }
    return {HalErrorKind::Unavailable,
            "table DMI illisible : " + path + " : " +
                system_error_text(static_cast<std::uint32_t>(error.os_error))};
}

// One structure under construction: formatted bytes, then its string-set.
class StructureWriter {
  public:
    StructureWriter(std::uint8_t type, std::uint8_t formatted_length, std::uint16_t handle)
        : formatted_(formatted_length, std::byte{0}) {
        formatted_[0] = std::byte{type};
        formatted_[1] = std::byte{formatted_length};
        formatted_[2] = std::byte(handle & 0xFF);
        formatted_[3] = std::byte(handle >> 8);
    }

    // Sets the string number at `offset`; an absent or empty text keeps number 0 (no string).
    void set_string(std::size_t offset, const std::optional<std::string>& text) {
        if (!text || text->empty())
            return;
        ++count_;
        formatted_[offset] = std::byte{count_};
        for (const char c : *text)
            strings_.push_back(static_cast<std::byte>(c));
        strings_.push_back(std::byte{0});
    }

    void append_to(std::vector<std::byte>& table) const {
        table.insert(table.end(), formatted_.begin(), formatted_.end());
        table.insert(table.end(), strings_.begin(), strings_.end());
        if (strings_.empty())
            table.push_back(std::byte{0});
        table.push_back(std::byte{0});
    }

  private:
    std::vector<std::byte> formatted_;
    std::vector<std::byte> strings_;
    std::uint8_t count_ = 0;
};

// The attribute's text up to its first NUL, without the line feed sysfs appends.
std::optional<std::string> read_attribute(const std::filesystem::path& path) {
    const auto bytes = read_file(path, MAX_ATTRIBUTE_BYTES);
    if (!bytes)
        return std::nullopt;
    std::string text;
    for (const std::byte b : *bytes) {
        if (b == std::byte{0})
            break;
        text.push_back(static_cast<char>(b));
    }
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// Rebuilds types 0, 1, 2 and 127 from /sys/class/dmi/id; nothing when no attribute is readable.
std::optional<std::vector<std::byte>> table_from_dmi_id(const std::filesystem::path& folder) {
    bool any = false;
    const auto attribute = [&](const char* name) {
        std::optional<std::string> text = read_attribute(folder / name);
        any = any || text.has_value();
        return text;
    };

    StructureWriter bios(0, 0x12, 0);
    bios.set_string(0x04, attribute("bios_vendor"));
    bios.set_string(0x05, attribute("bios_version"));
    bios.set_string(0x08, attribute("bios_date"));
    // Length 1Bh so that Family at 1Ah is part of the formatted area.
    StructureWriter system(1, 0x1B, 1);
    system.set_string(0x04, attribute("sys_vendor"));
    system.set_string(0x05, attribute("product_name"));
    system.set_string(0x06, attribute("product_version"));
    system.set_string(0x1A, attribute("product_family"));
    StructureWriter board(2, 0x08, 2);
    board.set_string(0x05, attribute("board_name"));
    if (!any)
        return std::nullopt;

    std::vector<std::byte> table;
    bios.append_to(table);
    system.append_to(table);
    board.append_to(table);
    StructureWriter(127, 4, 3).append_to(table);
    return table;
}

}  // namespace

LinuxSmbiosSource::LinuxSmbiosSource(std::filesystem::path sysfs_root)
    : root_(std::move(sysfs_root)) {}

HalResult<std::vector<std::byte>> LinuxSmbiosSource::read_smbios_table() {
    const std::filesystem::path path = root_ / "firmware" / "dmi" / "tables" / "DMI";
    auto raw = read_file(path, MAX_TABLE_BYTES);
    if (raw) {
        backend_ = "linux-sysfs";
        return std::move(*raw);
    }
    const HalError error = table_error(raw.error(), path.string());
    // The raw table is root-only; the id attributes are world-readable. Malformed data is
    // reported as is rather than papered over.
    if (error.kind != HalErrorKind::InvalidData) {
        if (auto rebuilt = table_from_dmi_id(root_ / "class" / "dmi" / "id")) {
            backend_ = "linux-dmi-id";
            return std::move(*rebuilt);
        }
    }
    return std::unexpected(error);
}

std::unique_ptr<SmbiosSource> make_system_smbios_source() {
    return std::make_unique<LinuxSmbiosSource>();
}

}  // namespace telvora
