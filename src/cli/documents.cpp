#include "cli/documents.hpp"

#include <nlohmann/json.hpp>
#include <optional>

namespace telvora {

namespace {

using Json = nlohmann::ordered_json;

template <typename Text>
Json text_or_null(const std::optional<Text>& value) {
    if (!value)
        return nullptr;
    return std::string(*value);
}

// Two-space indentation, non-ASCII unescaped. A byte that is not UTF-8 becomes U+FFFD instead
// of an exception: a report must never fail for what the firmware or a file holds.
std::string document_text(const Json& document) {
    return document.dump(2, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::string detection_report_text(const MachineIdentity& identity, const Resolution& resolution,
                                  std::size_t profiles_loaded, std::string_view backend) {
    const IdentitySources& sources = identity.sources;
    Json report;
    report["notice"] = NOTICE;
    report["backend"] = backend;
    report["manufacturer"] = text_or_null(identity.manufacturer);
    report["mtm"] = text_or_null(identity.mtm);
    report["display_name"] = text_or_null(identity.display_name);
    report["bios_vendor"] = text_or_null(identity.bios_vendor);
    report["bios_version"] = text_or_null(identity.bios_version);
    report["bios_release_date"] = text_or_null(identity.bios_release_date);
    report["resolution"] = resolution_text(resolution.kind);
    // Only the two matching outcomes name a profile, even if a pointer came along with another.
    const bool matched =
        resolution.kind == ResolutionKind::Exact || resolution.kind == ResolutionKind::Family;
    report["profile_id"] =
        matched && resolution.profile != nullptr ? Json(resolution.profile->id) : Json(nullptr);
    report["profiles_loaded"] = profiles_loaded;
    report["sources"] = {
        {"manufacturer", text_or_null(sources.manufacturer)},
        {"mtm", text_or_null(sources.mtm)},
        {"display_name", text_or_null(sources.display_name)},
        {"bios_vendor", text_or_null(sources.bios_vendor)},
        {"bios_version", text_or_null(sources.bios_version)},
        {"bios_release_date", text_or_null(sources.bios_release_date)},
    };
    return document_text(report);
}

std::string profile_listing_text(std::span<const MachineProfile> profiles) {
    Json summaries = Json::array();
    for (const MachineProfile& profile : profiles) {
        Json summary;
        summary["id"] = profile.id;
        summary["display_name"] = profile.display_name;
        summary["scope"] = scope_text(profile.scope);
        summary["capabilities"] = profile.capabilities.size();
        summaries.push_back(std::move(summary));
    }
    Json listing;
    listing["notice"] = NOTICE;
    listing["profiles"] = std::move(summaries);
    return document_text(listing);
}

}  // namespace telvora
