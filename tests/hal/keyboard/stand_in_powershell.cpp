// A stand-in for powershell.exe, built beside the test programs and telvora.exe so that the
// system's program search finds it before any real PowerShell.
//
// Instructions. Each setting comes from its environment variable when that is set, otherwise
// from a line "key=value" of powershell-answer.txt in the stand-in's own directory (for runs
// under the service manager, whose processes do not inherit the test's environment):
//
//   TELVORA_TEST_POWERSHELL_ACTION  action=   "answer" (default): print the answer and exit;
//                                             "hang": sleep for ten minutes without a word;
//                                             "flood": first write 4 MiB of white space to
//                                             standard output and 4 MiB of text to standard
//                                             error, interleaved, then answer.
//   TELVORA_TEST_POWERSHELL_ANSWER  answer=   bytes printed on standard output (rest of line)
//   TELVORA_TEST_POWERSHELL_EXIT    exit=     exit code in decimal (default 0)
//   TELVORA_TEST_POWERSHELL_REPORT  report=   file to (re)write with what the stand-in saw;
//                                             no report when empty
//
// The report, UTF-8, one "key=value" line each:
//   pid=<process id>
//   arg=<argument>            each argument after the program name, in order, as
//                             CommandLineToArgvW splits the command line
//   script=same|different|unreadable|none
//                             the file after -File, opened the way PowerShell opens a script
//                             (reading, sharing reading only), compared with KEYBOARD_SCRIPT
//   write_denied=yes|no       whether opening that file for writing failed
//   delete_denied=yes|no      whether opening that file for deletion failed
// The report is written before the action, so a test may read it while the stand-in hangs.

#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "hal/keyboard/keyboard_script.hpp"
#include "support/text.hpp"

namespace {

using telvora::from_wide;
using telvora::to_wide;

std::wstring own_directory() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    std::wstring path(buffer, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::string read_file(const std::wstring& path, DWORD share, bool* opened = nullptr) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (opened)
        *opened = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string content;
    char buffer[65536];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &count, nullptr) && count > 0)
        content.append(buffer, count);
    CloseHandle(file);
    return content;
}

std::string setting(const std::string& file, const char* key, const wchar_t* variable) {
    wchar_t value[32768];
    const DWORD length = GetEnvironmentVariableW(variable, value, 32768);
    if (length > 0 && length < 32768)
        return from_wide(std::wstring_view(value, length));
    const std::string prefix = std::string(key) + "=";
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = file.find('\n', start);
        if (end == std::string::npos)
            end = file.size();
        std::string line = file.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with(prefix))
            return line.substr(prefix.size());
        start = end + 1;
    }
    return {};
}

bool open_fails(const std::wstring& path, DWORD access) {
    HANDLE file =
        CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return true;
    CloseHandle(file);
    return false;
}

void write_all(HANDLE stream, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(stream, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr))
            return;
        done += written;
    }
}

}  // namespace

int main() {
    const std::string instructions =
        read_file(own_directory() + L"powershell-answer.txt", FILE_SHARE_READ | FILE_SHARE_WRITE);
    const std::string action = setting(instructions, "action", L"TELVORA_TEST_POWERSHELL_ACTION");
    const std::string answer = setting(instructions, "answer", L"TELVORA_TEST_POWERSHELL_ANSWER");
    const std::string exit_text = setting(instructions, "exit", L"TELVORA_TEST_POWERSHELL_EXIT");
    const std::string report_path =
        setting(instructions, "report", L"TELVORA_TEST_POWERSHELL_REPORT");

    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i)
        arguments.emplace_back(argv[i]);
    LocalFree(argv);

    std::string report = "pid=" + std::to_string(GetCurrentProcessId()) + "\n";
    std::wstring script;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        report += "arg=" + from_wide(arguments[i]) + "\n";
        if (arguments[i] == L"-File" && i + 1 < arguments.size())
            script = arguments[i + 1];
    }
    if (script.empty()) {
        report += "script=none\n";
    } else {
        bool opened = false;
        const std::string content = read_file(script, FILE_SHARE_READ, &opened);
        report += std::string("script=") +
                  (!opened                               ? "unreadable"
                   : content == telvora::KEYBOARD_SCRIPT ? "same"
                                                         : "different") +
                  "\n";
        report += std::string("write_denied=") +
                  (open_fails(script, GENERIC_WRITE) ? "yes" : "no") + "\n";
        report +=
            std::string("delete_denied=") + (open_fails(script, DELETE) ? "yes" : "no") + "\n";
    }
    if (!report_path.empty()) {
        HANDLE file = CreateFileW(to_wide(report_path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            write_all(file, report);
            CloseHandle(file);
        }
    }

    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (action == "hang") {
        Sleep(600'000);
    } else if (action == "flood") {
        const std::string blanks(64 * 1024, ' ');
        const std::string text(64 * 1024, 'e');
        for (int i = 0; i < 64; ++i) {
            write_all(output, blanks);
            write_all(GetStdHandle(STD_ERROR_HANDLE), text);
        }
    }
    write_all(output, answer);
    return exit_text.empty() ? 0 : std::atoi(exit_text.c_str());
}
