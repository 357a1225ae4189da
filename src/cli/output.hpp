#pragma once
// Where the program's texts go: the two standard streams, and the `--out` file.

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace telvora {

// The standard streams, behind an interface so that dispatch runs in tests without a process.
// Texts are UTF-8; a failed write is not reported.
class Output {
  public:
    virtual ~Output() = default;
    virtual void write_stdout(std::string_view text) = 0;
    virtual void write_stderr(std::string_view text) = 0;
};

// This process's standard output and error.
[[nodiscard]] Output& standard_streams();

// Creates or truncates the file and writes all of `bytes`; the error is the OS error code.
[[nodiscard]] std::expected<void, std::uint32_t> write_whole_file(const std::string& path,
                                                                  std::string_view bytes);

// The output step of the JSON commands: the text and one line feed, on standard output or as the
// whole content of `out`. Returns the exit code.
[[nodiscard]] int write_output(std::string_view text, const std::optional<std::string>& out,
                               Output& output = standard_streams());

}  // namespace telvora
