#include "hal/keyboard/keyboard.hpp"

#include <algorithm>
#include <string>

#include "hal/json/json_reader.hpp"
#include "hal/keyboard/keyboard_internal.hpp"
#include "support/text.hpp"

namespace telvora {

std::string_view keyboard_source_text(KeyboardSource source) noexcept {
    switch (source) {
        case KeyboardSource::Hid:
            return "hid";
        case KeyboardSource::LenovoWmi:
            return "lenovo-wmi";
        case KeyboardSource::ThinkpadPm:
            return "thinkpad-pm";
        case KeyboardSource::Framework:
            return "framework";
    }
    return "hid";
}

std::string_view keyboard_mode_text(KeyboardMode mode) noexcept {
    return mode == KeyboardMode::Write ? "write" : "read";
}

namespace {

std::optional<KeyboardSource> parse_source(std::string_view text) {
    for (const KeyboardSource source : {KeyboardSource::Hid, KeyboardSource::LenovoWmi,
                                        KeyboardSource::ThinkpadPm, KeyboardSource::Framework}) {
        if (text == keyboard_source_text(source))
            return source;
    }
    return std::nullopt;
}

}  // namespace

HalResult<KeyboardState> interpret_keyboard_json(std::string_view text, KeyboardMode mode) {
    auto answer = read_keyboard_json(trim_white_space(text));
    if (!answer) {
        return hal_error(HalErrorKind::InvalidData,
                         "réponse de rétroéclairage illisible : " + answer.error().text());
    }
    if (!answer->available) {
        return hal_error(HalErrorKind::Unavailable,
                         answer->reason.empty()
                             ? std::string("aucune interface de rétroéclairage clavier détectée")
                             : std::move(answer->reason));
    }
    if (mode == KeyboardMode::Write && !answer->applied) {
        return hal_error(HalErrorKind::Unavailable,
                         answer->reason.empty()
                             ? std::string("la commande de rétroéclairage n'a pas été appliquée")
                             : std::move(answer->reason));
    }
    const std::optional<KeyboardSource> source = parse_source(answer->source);
    if (!source) {
        return hal_error(HalErrorKind::InvalidData,
                         "source de rétroéclairage inconnue : " + answer->source);
    }
    const std::uint8_t highest = std::clamp<std::uint8_t>(answer->max_level, 1, 2);
    return KeyboardState{
        .known = answer->known,
        .source = *source,
        .level = std::min(answer->level, highest),
        .max_level = highest,
    };
}

namespace keyboard_detail {

std::string keyboard_request(KeyboardMode mode, std::uint8_t level) {
    if (mode == KeyboardMode::Write)
        return "{\"op\":\"keyboard_write\",\"level\":" + std::to_string(level) + "}\n";
    return "{\"op\":\"keyboard_read\"}\n";
}

std::string script_file_name(std::uint32_t process_id) {
    return "telvora-keyboard-" + std::to_string(process_id) + ".ps1";
}

std::string framework_directory(std::string_view executable_path) {
    const std::size_t separator = executable_path.find_last_of("\\/");
    if (separator == std::string_view::npos)
        return {};
    return std::string(executable_path.substr(0, separator)) + "\\framework";
}

std::vector<std::string> powershell_arguments(std::string_view script_path, KeyboardMode mode,
                                              std::uint8_t level, std::string_view framework_dir) {
    return {"-NoProfile",
            "-NonInteractive",
            "-ExecutionPolicy",
            "Bypass",
            "-File",
            std::string(script_path),
            "-Mode",
            std::string(keyboard_mode_text(mode)),
            "-Level",
            std::to_string(level),
            "-FrameworkDir",
            std::string(framework_dir)};
}

HalResult<KeyboardState> run_keyboard_backlight(KeyboardMode mode, std::uint8_t level,
                                                std::chrono::milliseconds time_limit) {
    // Once the pipe opened, a broken exchange is final: the service may be mid-way through it.
    if (auto reply = exchange_with_service(keyboard_request(mode, level))) {
        if (!*reply)
            return std::unexpected(std::move(reply->error()));
        return interpret_keyboard_json(**reply, mode);
    }
    auto output = run_script_locally(mode, level, time_limit);
    if (!output)
        return std::unexpected(std::move(output.error()));
    return interpret_keyboard_json(*output, mode);
}

}  // namespace keyboard_detail

HalResult<KeyboardState> run_keyboard_backlight(KeyboardMode mode, std::uint8_t level) {
    return keyboard_detail::run_keyboard_backlight(mode, level, keyboard_detail::SCRIPT_TIME_LIMIT);
}

HalResult<KeyboardState> keyboard_backlight_read() {
    return run_keyboard_backlight(KeyboardMode::Read, 0);
}

HalResult<KeyboardState> keyboard_backlight_write(std::uint8_t level) {
    return run_keyboard_backlight(KeyboardMode::Write, std::min<std::uint8_t>(level, 2));
}

}  // namespace telvora
