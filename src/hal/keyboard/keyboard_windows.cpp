#include <windows.h>

#include <vector>

#include "hal/keyboard/keyboard_internal.hpp"
#include "hal/keyboard/keyboard_script.hpp"
#include "hal/keyboard/process.hpp"
#include "support/os_error.hpp"
#include "support/text.hpp"
#include "support/win_handle.hpp"

namespace telvora::keyboard_detail {

std::optional<HalResult<std::string>> exchange_with_service(std::string_view request) {
    win::unique_hfile pipe(CreateFileW(to_wide(PIPE_PATH).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    if (!pipe)
        return std::nullopt;
    DWORD written = 0;
    const BOOL wrote = WriteFile(pipe.get(), request.data(), static_cast<DWORD>(request.size()),
                                 &written, nullptr);
    std::vector<char> reply(PIPE_REPLY_SIZE, '\0');
    DWORD received = 0;
    const BOOL read =
        ReadFile(pipe.get(), reply.data(), static_cast<DWORD>(reply.size()), &received, nullptr);
    pipe.reset();
    if (!wrote || !read)
        return hal_error(HalErrorKind::Unavailable,
                         "service HAL joignable mais échange interrompu");
    return decode_utf8_lossy(std::string_view(reply.data(), received));
}

namespace {

using GetTempPath2Function = DWORD(WINAPI*)(DWORD, LPWSTR);

std::expected<std::wstring, DWORD> temp_directory() {
    // GetTempPath2W gives SYSTEM its own directory rather than the shared C:\Windows\Temp.
    const auto get_temp_path2 = reinterpret_cast<GetTempPath2Function>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length =
        get_temp_path2 ? get_temp_path2(MAX_PATH + 1, buffer) : GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return std::unexpected(length == 0 ? GetLastError() : DWORD{ERROR_BUFFER_OVERFLOW});
    return std::wstring(buffer, length);
}

std::string executable_path() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return from_wide(std::wstring_view(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

// The script file, held open from its creation until PowerShell has exited, then deleted.
class ScriptFile {
  public:
    explicit ScriptFile(std::wstring path) : path_(std::move(path)) {}
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;
    ~ScriptFile() { remove(); }

    [[nodiscard]] const std::wstring& path() const noexcept { return path_; }

    // Creates the file exclusively, writes the script and leaves it open for reading only,
    // denying writers and deleters, so that what PowerShell runs is what was written: the
    // service runs it as LocalSystem from a name anyone can predict. The code of the failure.
    std::expected<void, DWORD> create(std::string_view content);

    void remove() noexcept {
        guard_.reset();
        if (created_)
            DeleteFileW(path_.c_str());
        created_ = false;
    }

  private:
    std::wstring path_;
    win::unique_hfile guard_;
    bool created_ = false;
};

std::expected<void, DWORD> ScriptFile::create(std::string_view content) {
    // A stale file of ours from an earlier process with the same id; any other obstacle makes
    // the exclusive creation below fail.
    DeleteFileW(path_.c_str());
    // Not following a link planted under the name keeps the write inside the directory.
    win::unique_hfile writer(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    if (!writer)
        return std::unexpected(GetLastError());
    created_ = true;
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD written = 0;
        if (!WriteFile(writer.get(), content.data() + done,
                       static_cast<DWORD>(content.size() - done), &written, nullptr))
            return std::unexpected(GetLastError());
        done += written;
    }
    // PowerShell opens the script sharing reading only, so no handle may keep write access
    // while it runs: swap ours for a read-only one that denies writing and deleting, and check
    // that nobody changed the file in the moment between.
    writer.reset();
    guard_.reset(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!guard_)
        return std::unexpected(GetLastError());
    std::string read_back(content.size() + 1, '\0');
    DWORD received = 0;
    if (!ReadFile(guard_.get(), read_back.data(), static_cast<DWORD>(read_back.size()), &received,
                  nullptr))
        return std::unexpected(GetLastError());
    if (std::string_view(read_back.data(), received) != content)
        return std::unexpected(DWORD{ERROR_FILE_INVALID});
    return {};
}

}  // namespace

HalResult<std::string> run_script_locally(KeyboardMode mode, std::uint8_t level,
                                          std::chrono::milliseconds time_limit) {
    const auto directory = temp_directory();
    if (!directory) {
        return hal_error(HalErrorKind::Unavailable, "script de rétroéclairage non créé : " +
                                                        system_error_text(directory.error()));
    }
    ScriptFile script(*directory + to_wide(script_file_name(GetCurrentProcessId())));
    if (const auto created = script.create(KEYBOARD_SCRIPT); !created) {
        return hal_error(HalErrorKind::Unavailable, "script de rétroéclairage non créé : " +
                                                        system_error_text(created.error()));
    }
    const std::vector<std::string> arguments = powershell_arguments(
        from_wide(script.path()), mode, level, framework_directory(executable_path()));
    auto ran = run_process(POWERSHELL, arguments, time_limit);
    script.remove();
    if (!ran) {
        if (ran.error().kind == ProcessFailureKind::NotStarted) {
            return hal_error(
                HalErrorKind::Unavailable,
                "PowerShell indisponible : " + system_error_text(ran.error().os_error));
        }
        return hal_error(HalErrorKind::Unavailable, "commande de rétroéclairage en échec");
    }
    if (ran->exit_code != 0)
        return hal_error(HalErrorKind::Unavailable, "commande de rétroéclairage en échec");
    return decode_utf8_lossy(ran->standard_output);
}

}  // namespace telvora::keyboard_detail
