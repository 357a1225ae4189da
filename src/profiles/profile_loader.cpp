#include "profiles/profile_loader.hpp"

#include <algorithm>

#include "profiles/profile_files.hpp"
#include "support/os_error.hpp"
#include "support/text.hpp"

namespace telvora {

std::string ProfileLoadError::display() const {
    struct Display {
        std::string operator()(const SystemFailure& e) const { return system_error_text(e.code); }
        std::string operator()(const InvalidUtf8&) const {
            return "stream did not contain valid UTF-8";
        }
        std::string operator()(const InvalidFile& e) const {
            return e.path + " : " + e.error.display();
        }
    };
    return std::visit(Display{}, detail);
}

bool is_profile_file_name(std::string_view name) noexcept {
    const std::size_t dot = name.rfind('.');
    return dot != std::string_view::npos && dot != 0 && name.substr(dot + 1) == "toml";
}

std::string join_path(std::string_view directory, std::string_view name, char separator,
                      std::string_view separators) {
    std::string path(directory);
    if (!path.empty() && separators.find(path.back()) == std::string_view::npos)
        path += separator;
    path += name;
    return path;
}

std::expected<std::vector<MachineProfile>, ProfileLoadError> load_profiles(
    std::string_view directory) {
    auto fail = [](auto detail) { return std::unexpected(ProfileLoadError{std::move(detail)}); };

    auto entries = profile_files::list_directory(directory);
    if (!entries)
        return fail(ProfileLoadError::SystemFailure{entries.error()});
    std::erase_if(*entries, [](const profile_files::Entry& entry) {
        return !is_profile_file_name(entry.name);
    });
    std::ranges::sort(*entries, {}, &profile_files::Entry::name);

    std::vector<MachineProfile> profiles;
    profiles.reserve(entries->size());
    for (const profile_files::Entry& entry : *entries) {
        auto text = profile_files::read_entry(directory, entry);
        if (!text)
            return fail(ProfileLoadError::SystemFailure{text.error()});
        if (!is_valid_utf8(*text))
            return fail(ProfileLoadError::InvalidUtf8{});
        auto profile = load_profile_text(*text);
        if (!profile)
            return fail(ProfileLoadError::InvalidFile{
                join_path(directory, entry.name, profile_files::PATH_SEPARATOR,
                          profile_files::PATH_SEPARATORS),
                std::move(profile.error())});
        profiles.push_back(std::move(*profile));
    }
    return profiles;
}

}  // namespace telvora
