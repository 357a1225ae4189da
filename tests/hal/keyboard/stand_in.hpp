#pragma once
// Driving the stand-in powershell.exe of this folder from a test, and reading its report.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/text.hpp"
#include "support/win_handle.hpp"

namespace telvora::stand_in {

inline const std::string THINKPAD_ANSWER =
    R"({"available":true,"known":true,"level":1,"max_level":2,"source":"thinkpad-pm","applied":true,"verified":true,"reason":""})";

inline void set_env(const wchar_t* name, const std::string& value) {
    SetEnvironmentVariableW(name, to_wide(value).c_str());
}

inline bool exists(const std::string& path) {
    return GetFileAttributesW(to_wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string temp_directory() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return from_wide(std::wstring_view(buffer, length));
}

struct Report {
    std::vector<std::string> arguments;
    std::string script, write_denied, delete_denied;
    DWORD pid = 0;
};

// Answers with THINKPAD_ANSWER and exit code 0 unless a test says otherwise.
class StandInTest : public ::testing::Test {
  protected:
    void SetUp() override {
        report_path_ = temp_directory() + "telvora-stand-in-report-" +
                       std::to_string(GetCurrentProcessId()) + ".txt";
        DeleteFileW(to_wide(report_path_).c_str());
        set_env(L"TELVORA_TEST_POWERSHELL_REPORT", report_path_);
        set_env(L"TELVORA_TEST_POWERSHELL_ACTION", "answer");
        set_env(L"TELVORA_TEST_POWERSHELL_ANSWER", THINKPAD_ANSWER);
        set_env(L"TELVORA_TEST_POWERSHELL_EXIT", "0");
    }
    void TearDown() override {
        for (const wchar_t* name :
             {L"TELVORA_TEST_POWERSHELL_REPORT", L"TELVORA_TEST_POWERSHELL_ACTION",
              L"TELVORA_TEST_POWERSHELL_ANSWER", L"TELVORA_TEST_POWERSHELL_EXIT"})
            SetEnvironmentVariableW(name, nullptr);
        DeleteFileW(to_wide(report_path_).c_str());
    }

    [[nodiscard]] bool stand_in_ran() const { return exists(report_path_); }

    [[nodiscard]] Report report() const {
        Report report;
        win::unique_hfile file(CreateFileW(to_wide(report_path_).c_str(), GENERIC_READ,
                                           FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file)
            return report;
        std::string text(1 << 16, '\0');
        DWORD count = 0;
        (void)ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &count, nullptr);
        text.resize(count);
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            const std::string line = text.substr(start, end - start);
            const std::size_t equals = line.find('=');
            const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
            if (key == "arg")
                report.arguments.push_back(value);
            else if (key == "script")
                report.script = value;
            else if (key == "write_denied")
                report.write_denied = value;
            else if (key == "delete_denied")
                report.delete_denied = value;
            else if (key == "pid")
                report.pid = static_cast<DWORD>(std::stoul(value));
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return report;
    }

  private:
    std::string report_path_;
};

}  // namespace telvora::stand_in
