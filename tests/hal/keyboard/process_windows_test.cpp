// The process runner under Wine, with the stand-in powershell.exe of this folder.
#include <gtest/gtest.h>

#include <chrono>

#include "hal/keyboard/process.hpp"
#include "stand_in.hpp"

namespace telvora {
namespace {

using namespace std::chrono_literals;
using stand_in::set_env;

class ProcessRunner : public stand_in::StandInTest {};

TEST_F(ProcessRunner, ArgumentsArriveExactlyAsGiven) {
    const std::vector<std::string> arguments = {
        R"(C:\Program Files\x\)", "", R"(say "hi")", R"(a\\"b)", "tab\there", "é", R"(end\)"};
    const auto ran = run_process("powershell.exe", arguments, 30s);
    ASSERT_TRUE(ran);
    EXPECT_EQ(ran->exit_code, 0u);
    EXPECT_EQ(ran->standard_output, stand_in::THINKPAD_ANSWER);
    EXPECT_EQ(report().arguments, arguments);
}

TEST_F(ProcessRunner, ExitCodeIsPassedOn) {
    set_env(L"TELVORA_TEST_POWERSHELL_EXIT", "42");
    const auto ran = run_process("powershell.exe", {}, 30s);
    ASSERT_TRUE(ran);
    EXPECT_EQ(ran->exit_code, 42u);
}

TEST_F(ProcessRunner, MegabytesOnBothStreamsAreDrained) {
    set_env(L"TELVORA_TEST_POWERSHELL_ACTION", "flood");
    const auto ran = run_process("powershell.exe", {}, 30s);
    ASSERT_TRUE(ran);
    EXPECT_EQ(ran->standard_output.size(), 4u * 1024 * 1024 + stand_in::THINKPAD_ANSWER.size());
    EXPECT_TRUE(ran->standard_output.ends_with(stand_in::THINKPAD_ANSWER));
}

TEST_F(ProcessRunner, HungChildIsTerminatedAtTheTimeLimit) {
    set_env(L"TELVORA_TEST_POWERSHELL_ACTION", "hang");
    const auto start = std::chrono::steady_clock::now();
    const auto ran = run_process("powershell.exe", {}, 1000ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    ASSERT_FALSE(ran);
    EXPECT_EQ(ran.error().kind, ProcessFailureKind::Abandoned);
    const DWORD pid = report().pid;
    ASSERT_NE(pid, 0u);
    win::unique_handle child(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (child) {
        EXPECT_EQ(WaitForSingleObject(child.get(), 0), WAIT_OBJECT_0) << "the child lives on";
    }
}

// How the service tests drive the stand-in, whose environment they cannot set.
TEST_F(ProcessRunner, StandInFallsBackToTheFileBesideIt) {
    wchar_t buffer[MAX_PATH * 4];
    std::wstring path(buffer, GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4));
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"powershell-answer.txt";
    {
        win::unique_hfile file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file) << "a powershell-answer.txt is in the way";
        const std::string text = "exit=3\r\nanswer={\"from\":\"file\"}\r\n";
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    }
    SetEnvironmentVariableW(L"TELVORA_TEST_POWERSHELL_ANSWER", nullptr);
    SetEnvironmentVariableW(L"TELVORA_TEST_POWERSHELL_EXIT", nullptr);
    const auto ran = run_process("powershell.exe", {}, 30s);
    DeleteFileW(path.c_str());
    ASSERT_TRUE(ran);
    EXPECT_EQ(ran->exit_code, 3u);
    EXPECT_EQ(ran->standard_output, R"({"from":"file"})");
}

TEST_F(ProcessRunner, MissingProgramIsNotStarted) {
    const auto ran = run_process("telvora-no-such-program.exe", {}, 30s);
    ASSERT_FALSE(ran);
    EXPECT_EQ(ran.error().kind, ProcessFailureKind::NotStarted);
    EXPECT_EQ(ran.error().os_error, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace telvora
