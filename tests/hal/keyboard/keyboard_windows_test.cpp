// The real process and pipe paths under Wine, with the stand-in powershell.exe of this folder.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "hal/keyboard/keyboard.hpp"
#include "hal/keyboard/keyboard_internal.hpp"
#include "stand_in.hpp"

namespace telvora {
namespace {

using namespace std::chrono_literals;
using stand_in::exists;
using stand_in::set_env;
using stand_in::temp_directory;

std::string own_directory() {
    wchar_t buffer[MAX_PATH * 4];
    const std::wstring path(buffer, GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4));
    return from_wide(path.substr(0, path.find_last_of(L'\\')));
}

class KeyboardProcess : public stand_in::StandInTest {
  protected:
    // Checks what every local run shows the stand-in, and that the script is gone.
    static void expect_script_run(const stand_in::Report& seen, const std::string& directory,
                                  KeyboardMode mode, const std::string& level) {
        const std::string script =
            directory + keyboard_detail::script_file_name(GetCurrentProcessId());
        const std::vector<std::string> expected = {"-NoProfile",
                                                   "-NonInteractive",
                                                   "-ExecutionPolicy",
                                                   "Bypass",
                                                   "-File",
                                                   script,
                                                   "-Mode",
                                                   std::string(keyboard_mode_text(mode)),
                                                   "-Level",
                                                   level,
                                                   "-FrameworkDir",
                                                   own_directory() + "\\framework"};
        EXPECT_EQ(seen.arguments, expected);
        EXPECT_EQ(seen.script, "same");
        EXPECT_EQ(seen.write_denied, "yes");
        EXPECT_EQ(seen.delete_denied, "yes");
        EXPECT_FALSE(exists(script)) << script;
    }
};

TEST_F(KeyboardProcess, ReadRunsTheScriptFromAGuardedFileThenRemovesIt) {
    EXPECT_EQ(keyboard_backlight_read(), (KeyboardState{true, KeyboardSource::ThinkpadPm, 1, 2}));
    expect_script_run(report(), temp_directory(), KeyboardMode::Read, "0");
}

TEST_F(KeyboardProcess, WriteSendsTheLevelLoweredToTwo) {
    EXPECT_TRUE(keyboard_backlight_write(7));
    expect_script_run(report(), temp_directory(), KeyboardMode::Write, "2");
}

TEST_F(KeyboardProcess, ScriptPathWithSpacesAndAccentsStaysOneArgument) {
    const std::string directory = temp_directory() + "dossier à espaces\\";
    CreateDirectoryW(to_wide(directory).c_str(), nullptr);
    wchar_t saved[32768];
    const DWORD saved_length = GetEnvironmentVariableW(L"TMP", saved, 32768);
    set_env(L"TMP", directory);
    const auto result = keyboard_backlight_read();
    SetEnvironmentVariableW(L"TMP", saved_length ? saved : nullptr);
    EXPECT_TRUE(result) << result.error().message;
    expect_script_run(report(), directory, KeyboardMode::Read, "0");
    RemoveDirectoryW(to_wide(directory).c_str());
}

TEST_F(KeyboardProcess, ExitCodeOtherThanZeroFailsEvenWithARecord) {
    set_env(L"TELVORA_TEST_POWERSHELL_EXIT", "1");
    EXPECT_EQ(keyboard_backlight_read(),
              HalResult<KeyboardState>(
                  hal_error(HalErrorKind::Unavailable, "commande de rétroéclairage en échec")));
}

TEST_F(KeyboardProcess, EmptyOutputIsUnreadable) {
    set_env(L"TELVORA_TEST_POWERSHELL_ANSWER", "");
    EXPECT_EQ(keyboard_backlight_read(),
              HalResult<KeyboardState>(hal_error(HalErrorKind::InvalidData,
                                                 "réponse de rétroéclairage illisible : EOF while "
                                                 "parsing a value at line 1 column 0")));
}

TEST_F(KeyboardProcess, HungPowershellIsEndedAtTheTimeLimit) {
    set_env(L"TELVORA_TEST_POWERSHELL_ACTION", "hang");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(keyboard_detail::run_keyboard_backlight(KeyboardMode::Read, 0, 1500ms),
              HalResult<KeyboardState>(
                  hal_error(HalErrorKind::Unavailable, "commande de rétroéclairage en échec")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    const stand_in::Report seen = report();
    expect_script_run(seen, temp_directory(), KeyboardMode::Read, "0");
}

TEST_F(KeyboardProcess, StaleScriptFileIsReplaced) {
    const std::string script =
        temp_directory() + keyboard_detail::script_file_name(GetCurrentProcessId());
    {
        win::unique_hfile stale(CreateFileW(to_wide(script).c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(stale);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(stale.get(), "Remove-Item C:\\", 15, &written, nullptr));
    }
    EXPECT_TRUE(keyboard_backlight_read());
    expect_script_run(report(), temp_directory(), KeyboardMode::Read, "0");
}

TEST_F(KeyboardProcess, ScriptNameHeldBySomeoneElseIsNotUsed) {
    const std::string script =
        temp_directory() + keyboard_detail::script_file_name(GetCurrentProcessId());
    win::unique_hfile squatter(CreateFileW(to_wide(script).c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(squatter);
    const auto result = keyboard_backlight_read();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, HalErrorKind::Unavailable);
    EXPECT_TRUE(result.error().message.starts_with("script de rétroéclairage non créé : "))
        << result.error().message;
    EXPECT_TRUE(result.error().message.ends_with(")")) << result.error().message;
    EXPECT_FALSE(stand_in_ran());
    squatter.reset();
    EXPECT_TRUE(exists(script)) << "someone else's file was deleted";
    DeleteFileW(to_wide(script).c_str());
}

// A stand-in for the service's only pipe instance.
win::unique_hfile make_service_pipe() {
    return win::unique_hfile(CreateNamedPipeW(
        to_wide(keyboard_detail::PIPE_PATH).c_str(), PIPE_ACCESS_DUPLEX,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr));
}

TEST_F(KeyboardProcess, BusyPipeLeadsToTheLocalRun) {
    const win::unique_hfile server = make_service_pipe();
    ASSERT_TRUE(server);
    const win::unique_hfile first_client(CreateFileW(to_wide(keyboard_detail::PIPE_PATH).c_str(),
                                                     GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(first_client);
    EXPECT_TRUE(keyboard_backlight_read());
    EXPECT_EQ(report().script, "same");
}

// Serves one connection: reads the request, then answers with `reply` unless it is empty.
std::string serve_once(HANDLE server, const std::string& reply) {
    ConnectNamedPipe(server, nullptr);
    std::string request(4096, '\0');
    DWORD count = 0;
    (void)ReadFile(server, request.data(), 4096, &count, nullptr);
    request.resize(count);
    if (!reply.empty()) {
        DWORD written = 0;
        (void)WriteFile(server, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
        FlushFileBuffers(server);
    }
    DisconnectNamedPipe(server);
    return request;
}

TEST_F(KeyboardProcess, ServiceReplyIsInterpreted) {
    const win::unique_hfile server = make_service_pipe();
    ASSERT_TRUE(server);
    std::string request;
    std::thread service([&] {
        request = serve_once(
            server.get(),
            R"({"applied":true,"available":true,"known":true,"level":2,"max_level":2,"reason":"","source":"hid"})"
            "\n");
    });
    const auto result = keyboard_backlight_write(9);
    service.join();
    EXPECT_EQ(result, (KeyboardState{true, KeyboardSource::Hid, 2, 2}));
    EXPECT_EQ(request, "{\"op\":\"keyboard_write\",\"level\":2}\n");
    EXPECT_FALSE(stand_in_ran());
}

TEST_F(KeyboardProcess, ServiceThatHangsUpIsNotFollowedByALocalRun) {
    const win::unique_hfile server = make_service_pipe();
    ASSERT_TRUE(server);
    std::string request;
    std::thread service([&] { request = serve_once(server.get(), ""); });
    const auto result = keyboard_backlight_read();
    service.join();
    EXPECT_EQ(result,
              HalResult<KeyboardState>(hal_error(HalErrorKind::Unavailable,
                                                 "service HAL joignable mais échange interrompu")));
    EXPECT_EQ(request, "{\"op\":\"keyboard_read\"}\n");
    EXPECT_FALSE(stand_in_ran());
}

}  // namespace
}  // namespace telvora
