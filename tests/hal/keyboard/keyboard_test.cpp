#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hal/keyboard/keyboard.hpp"
#include "hal/keyboard/keyboard_internal.hpp"

namespace telvora {
namespace {

using keyboard_detail::framework_directory;
using keyboard_detail::keyboard_request;
using keyboard_detail::powershell_arguments;

std::string answer(std::string_view fields) {
    // Appended rather than added: GCC 12 at -O3 warns wrongly about operator+ on literals.
    std::string text = "{";
    return text.append(fields).append("}");
}

TEST(InterpretKeyboardJson, TurnsAnswersIntoStatesOrErrors) {
    constexpr auto R = KeyboardMode::Read;
    constexpr auto W = KeyboardMode::Write;
    const auto state = [](bool known, KeyboardSource source, int level, int max) {
        return HalResult<KeyboardState>(KeyboardState{
            known, source, static_cast<std::uint8_t>(level), static_cast<std::uint8_t>(max)});
    };
    const auto unavailable = [](std::string text) {
        return HalResult<KeyboardState>(hal_error(HalErrorKind::Unavailable, std::move(text)));
    };
    const struct {
        const char* name;
        std::string text;
        KeyboardMode mode;
        HalResult<KeyboardState> expected;
    } cases[] = {
        {"script output with verified, no reason",
         R"({"available":true,"known":true,"level":1,"max_level":2,"source":"thinkpad-pm","applied":false,"verified":false})",
         R, state(true, KeyboardSource::ThinkpadPm, 1, 2)},
        {"surrounding white space, non-ASCII included",
         std::string("\u00a0\n ")
             .append(answer(
                 R"("available":true,"known":true,"level":2,"max_level":2,"source":"framework","applied":true)"))
             .append("\r\n\u3000"),
         W, state(true, KeyboardSource::Framework, 2, 2)},
        {"max_level 0 is raised to 1",
         answer(
             R"("available":true,"known":true,"level":1,"max_level":0,"source":"hid","applied":true)"),
         R, state(true, KeyboardSource::Hid, 1, 1)},
        {"max_level 5 is lowered to 2",
         answer(
             R"("available":true,"known":true,"level":4,"max_level":5,"source":"hid","applied":true)"),
         R, state(true, KeyboardSource::Hid, 2, 2)},
        {"level above max_level",
         answer(
             R"("available":true,"known":true,"level":2,"max_level":1,"source":"lenovo-wmi","applied":true)"),
         R, state(true, KeyboardSource::LenovoWmi, 1, 1)},
        {"read not applied is fine",
         answer(
             R"("available":true,"known":false,"level":0,"max_level":2,"source":"hid","applied":false,"reason":"x")"),
         R, state(false, KeyboardSource::Hid, 0, 2)},
        {"write sent but unconfirmed succeeds, reason dropped",
         answer(
             R"("available":true,"known":false,"level":1,"max_level":2,"source":"lenovo-wmi","applied":true,"reason":"commande WMI envoyee ; confirmation indisponible")"),
         W, state(false, KeyboardSource::LenovoWmi, 1, 2)},
        {"write not applied, with reason",
         answer(
             R"("available":true,"known":true,"level":0,"max_level":1,"source":"thinkpad-pm","applied":false,"reason":"niveau hors limites")"),
         W, unavailable("niveau hors limites")},
        {"write not applied, no reason",
         answer(
             R"("available":true,"known":true,"level":0,"max_level":2,"source":"hid","applied":false,"reason":"")"),
         W, unavailable("la commande de rétroéclairage n'a pas été appliquée")},
        {"nothing available, no reason",
         answer(
             R"("available":false,"known":false,"level":0,"max_level":2,"source":"","applied":false,"reason":"")"),
         R, unavailable("aucune interface de rétroéclairage clavier détectée")},
        {"nothing available wins over the source check",
         answer(
             R"j("available":false,"known":false,"level":0,"max_level":2,"source":"??","applied":false,"reason":"aucune interface de retroeclairage clavier detectee (HID : boom)")j"),
         W, unavailable("aucune interface de retroeclairage clavier detectee (HID : boom)")},
        {"a pipe error reply",
         R"({"applied":false,"available":false,"known":false,"level":0,"max_level":0,"reason":"ressource non disponible : commande de rétroéclairage en échec","source":""})",
         W, unavailable("ressource non disponible : commande de rétroéclairage en échec")},
        {"a pipe success reply to a write",
         R"({"applied":true,"available":true,"known":true,"level":1,"max_level":2,"reason":"","source":"thinkpad-pm"})",
         W, state(true, KeyboardSource::ThinkpadPm, 1, 2)},
        {"source is case-sensitive",
         answer(
             R"("available":true,"known":true,"level":1,"max_level":2,"source":"HID","applied":true)"),
         R, hal_error(HalErrorKind::InvalidData, "source de rétroéclairage inconnue : HID")},
        {"empty output", "", R,
         hal_error(HalErrorKind::InvalidData,
                   "réponse de rétroéclairage illisible : EOF while parsing a value at line 1 "
                   "column 0")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(interpret_keyboard_json(c.text, c.mode), c.expected) << c.name;
}

TEST(InterpretKeyboardJson, UnreadableAnswersAreInvalidData) {
    const std::string valid = answer(
        R"("available":true,"known":true,"level":1,"max_level":2,"source":"hid","applied":true)");
    for (
        const std::string& text :
        {std::string("AVERTISSEMENT : quelque chose\n").append(valid),
         answer(
             R"("available":true,"known":true,"level":300,"max_level":2,"source":"hid","applied":true)"),
         answer(R"("available":true,"known":true,"max_level":2,"source":"hid","applied":true)"),
         answer(
             R"("available":true,"available":true,"known":true,"level":1,"max_level":2,"source":"hid","applied":true)"),
         valid + valid, std::string("[1]")}) {
        const auto result = interpret_keyboard_json(text, KeyboardMode::Read);
        ASSERT_FALSE(result) << text;
        EXPECT_EQ(result.error().kind, HalErrorKind::InvalidData) << text;
        EXPECT_TRUE(result.error().message.starts_with("réponse de rétroéclairage illisible : "))
            << result.error().message;
    }
}

TEST(KeyboardTexts, SourcesModesAndRequests) {
    EXPECT_EQ(keyboard_source_text(KeyboardSource::Hid), "hid");
    EXPECT_EQ(keyboard_source_text(KeyboardSource::LenovoWmi), "lenovo-wmi");
    EXPECT_EQ(keyboard_source_text(KeyboardSource::ThinkpadPm), "thinkpad-pm");
    EXPECT_EQ(keyboard_source_text(KeyboardSource::Framework), "framework");
    EXPECT_EQ(keyboard_mode_text(KeyboardMode::Read), "read");
    EXPECT_EQ(keyboard_mode_text(KeyboardMode::Write), "write");

    const std::string read = keyboard_request(KeyboardMode::Read, 2);
    EXPECT_EQ(read, "{\"op\":\"keyboard_read\"}\n");
    EXPECT_EQ(read.size(), 23u);
    EXPECT_EQ(keyboard_request(KeyboardMode::Write, 0),
              "{\"op\":\"keyboard_write\",\"level\":0}\n");
    EXPECT_EQ(keyboard_request(KeyboardMode::Write, 2),
              "{\"op\":\"keyboard_write\",\"level\":2}\n");
    EXPECT_EQ(keyboard_detail::script_file_name(4242), "telvora-keyboard-4242.ps1");
}

TEST(PowershellArguments, NameEveryParameterInOrder) {
    const std::vector<std::string> expected = {"-NoProfile", "-NonInteractive", "-ExecutionPolicy",
                                               "Bypass",     "-File",           R"(C:\T\s.ps1)",
                                               "-Mode",      "write",           "-Level",
                                               "2",          "-FrameworkDir",   ""};
    EXPECT_EQ(powershell_arguments(R"(C:\T\s.ps1)", KeyboardMode::Write, 2, ""), expected);
}

TEST(FrameworkDirectory, IsBesideTheExecutable) {
    EXPECT_EQ(framework_directory(R"(C:\Program Files\Telvora\telvora.exe)"),
              R"(C:\Program Files\Telvora\framework)");
    EXPECT_EQ(framework_directory(R"(C:\telvora.exe)"), R"(C:\framework)");
    EXPECT_EQ(framework_directory("telvora.exe"), "");
    EXPECT_EQ(framework_directory(""), "");
}

}  // namespace
}  // namespace telvora
