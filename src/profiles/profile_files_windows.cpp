#include <windows.h>

#include <cstring>
#include <memory>

#include "profiles/profile_files.hpp"
#include "support/text.hpp"
#include "support/win_handle.hpp"

namespace telvora::profile_files {

const char PATH_SEPARATOR = '\\';
const std::string_view PATH_SEPARATORS = "\\/";

namespace {

struct FindCloser {
    void operator()(HANDLE find) const noexcept { ::FindClose(find); }
};

// A walk whose entries keep failing gives up after this many failures in a row.
constexpr int MAX_FAILED_ENTRIES = 64;

std::wstring wide_directory_child(std::string_view directory, std::wstring_view child) {
    std::wstring path = to_wide(directory);
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    path += child;
    return path;
}

std::wstring native_name(const Entry& entry) {
    std::wstring name(entry.native.size() / sizeof(wchar_t), L'\0');
    std::memcpy(name.data(), entry.native.data(), name.size() * sizeof(wchar_t));
    return name;
}

}  // namespace

std::expected<std::vector<Entry>, std::uint32_t> list_directory(std::string_view directory) {
    // An empty path would list the current directory: refuse it as a path that does not exist.
    if (directory.empty())
        return std::unexpected(static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
    const std::wstring pattern = wide_directory_child(directory, L"*");
    WIN32_FIND_DATAW data;
    const HANDLE first = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                            FindExSearchNameMatch, nullptr, 0);
    std::vector<Entry> entries;
    if (first == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // No entry at all, not even . and ..: an empty listing.
        if (error == ERROR_FILE_NOT_FOUND)
            return entries;
        return std::unexpected(static_cast<std::uint32_t>(error));
    }
    std::unique_ptr<void, FindCloser> find(first);
    int failures = 0;
    for (;;) {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..") {
            std::string native(name.size() * sizeof(wchar_t), '\0');
            std::memcpy(native.data(), name.data(), native.size());
            entries.push_back({from_wide(name), std::move(native)});
        }
        for (;;) {
            if (::FindNextFileW(find.get(), &data)) {
                failures = 0;
                break;
            }
            if (::GetLastError() == ERROR_NO_MORE_FILES || ++failures >= MAX_FAILED_ENTRIES)
                return entries;
        }
    }
}

std::expected<std::string, std::uint32_t> read_entry(std::string_view directory,
                                                     const Entry& entry) {
    const std::wstring path = wide_directory_child(directory, native_name(entry));
    const win::unique_hfile file(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::unexpected(static_cast<std::uint32_t>(::GetLastError()));
    std::string content;
    char buffer[65536];
    for (;;) {
        DWORD count = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr))
            return std::unexpected(static_cast<std::uint32_t>(::GetLastError()));
        if (count == 0)
            return content;
        content.append(buffer, count);
    }
}

}  // namespace telvora::profile_files
