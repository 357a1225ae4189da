// Maps the TOML tree onto MachineProfile, strictly: every message names the key path, what was
// wrong and where, so that an author can fix the file from the message alone.

#include <algorithm>
#include <array>
#include <limits>

#include "profiles/profile.hpp"
#include "profiles/toml_document.hpp"

namespace telvora {

namespace {

template <typename T>
using Read = std::expected<T, ProfileError>;

std::string position_text(TomlPosition position) {
    if (position.line == 0)
        return {};
    std::string text = " (ligne " + std::to_string(position.line);
    if (position.column != 0)
        text += ", colonne " + std::to_string(position.column);
    return text + ")";
}

std::unexpected<ProfileError> failure(const std::string& path, const std::string& what,
                                      TomlPosition position) {
    std::string message = path.empty() ? what : path + " : " + what;
    return std::unexpected(
        ProfileError{ProfileError::InvalidToml{message + position_text(position)}});
}

std::string_view kind_name(TomlKind kind) {
    switch (kind) {
        case TomlKind::Table:
            return "table";
        case TomlKind::Array:
            return "tableau";
        case TomlKind::String:
            return "chaîne";
        case TomlKind::Integer:
            return "entier";
        case TomlKind::Float:
            return "nombre décimal";
        case TomlKind::Boolean:
            return "booléen";
        case TomlKind::Date:
            return "date";
        case TomlKind::Time:
            return "heure";
        case TomlKind::DateTime:
            return "date et heure";
    }
    return "valeur";
}

// Keys that are not bare keys are quoted, so that "a b" and "" stay readable in a path.
std::string key_text(std::string_view key) {
    const bool bare = !key.empty() && std::ranges::all_of(key, [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    });
    if (bare)
        return std::string(key);
    // Appended piece by piece: GCC 12 warns wrongly on literal + string here (-Wrestrict).
    std::string quoted(1, '"');
    quoted += key;
    quoted += '"';
    return quoted;
}

std::string member_path(const std::string& parent, std::string_view key) {
    return parent.empty() ? key_text(key) : parent + "." + key_text(key);
}

std::string element_path(const std::string& parent, std::size_t index) {
    return parent + "[" + std::to_string(index) + "]";
}

Read<void> expect_kind(const TomlNode& node, TomlKind kind, const std::string& path) {
    if (node.kind == kind)
        return {};
    return failure(path,
                   "type incorrect (attendu : " + std::string(kind_name(kind)) +
                       ", trouvé : " + std::string(kind_name(node.kind)) + ")",
                   node.position);
}

Read<std::string> read_string(const TomlNode& node, const std::string& path) {
    if (auto ok = expect_kind(node, TomlKind::String, path); !ok)
        return std::unexpected(std::move(ok.error()));
    return node.text;
}

Read<std::int64_t> read_integer(const TomlNode& node, const std::string& path, std::int64_t min,
                                std::int64_t max) {
    if (auto ok = expect_kind(node, TomlKind::Integer, path); !ok)
        return std::unexpected(std::move(ok.error()));
    if (node.integer < min || node.integer > max)
        return failure(
            path, "entier hors limites (" + std::to_string(min) + " à " + std::to_string(max) + ")",
            node.position);
    return node.integer;
}

Read<std::vector<std::string>> read_string_list(const TomlNode& node, const std::string& path) {
    if (auto ok = expect_kind(node, TomlKind::Array, path); !ok)
        return std::unexpected(std::move(ok.error()));
    std::vector<std::string> list;
    list.reserve(node.children.size());
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        auto text = read_string(node.children[i], element_path(path, i));
        if (!text)
            return std::unexpected(std::move(text.error()));
        list.push_back(std::move(*text));
    }
    return list;
}

template <typename Enum, std::size_t N>
Read<Enum> read_name(const TomlNode& node, const std::string& path,
                     const std::array<std::pair<std::string_view, Enum>, N>& names) {
    auto text = read_string(node, path);
    if (!text)
        return std::unexpected(std::move(text.error()));
    std::string allowed;
    for (const auto& [name, value] : names) {
        if (*text == name)
            return value;
        allowed += allowed.empty() ? "« " : ", « ";
        allowed += name;
        allowed += " »";
    }
    return failure(path, "valeur « " + *text + " » inconnue (valeurs permises : " + allowed + ")",
                   node.position);
}

// A table's members, looked up by key. Unlisted keys are refused before anything is read, so a
// misspelt key is reported as such rather than as a missing one.
class TableReader {
  public:
    TableReader(const TomlNode& table, std::string path) : table_(table), path_(std::move(path)) {}

    [[nodiscard]] Read<void> check(std::initializer_list<std::string_view> listed) const {
        if (auto ok = expect_kind(table_, TomlKind::Table, path_); !ok)
            return ok;
        for (const TomlNode& member : table_.children) {
            if (std::ranges::find(listed, std::string_view(member.key)) == listed.end())
                return failure(member_path(path_, member.key), "clé inconnue", member.position);
        }
        return {};
    }

    [[nodiscard]] const TomlNode* optional(std::string_view key) const {
        const auto found = std::ranges::find(table_.children, key, &TomlNode::key);
        return found == table_.children.end() ? nullptr : &*found;
    }

    [[nodiscard]] Read<const TomlNode*> required(std::string_view key) const {
        if (const TomlNode* node = optional(key))
            return node;
        // The root's position would only point at the first line.
        return failure(path_, "clé obligatoire « " + std::string(key) + " » absente",
                       path_.empty() ? TomlPosition{} : table_.position);
    }

    [[nodiscard]] std::string path(std::string_view key) const { return member_path(path_, key); }

  private:
    const TomlNode& table_;
    std::string path_;
};

// Unwraps a Read or returns its error from the enclosing function.
#define TELVORA_TRY(var, expr)                                   \
    auto var##_result = (expr);                                  \
    if (!var##_result)                                           \
        return std::unexpected(std::move(var##_result.error())); \
    auto&& var = *var##_result

#define TELVORA_CHECK(expr)              \
    if (auto checked = (expr); !checked) \
    return std::unexpected(std::move(checked.error()))

Read<std::string> required_string(const TableReader& table, std::string_view key) {
    TELVORA_TRY(node, table.required(key));
    return read_string(*node, table.path(key));
}

Read<std::optional<std::string>> optional_string(const TableReader& table, std::string_view key) {
    const TomlNode* node = table.optional(key);
    if (node == nullptr)
        return std::nullopt;
    TELVORA_TRY(text, read_string(*node, table.path(key)));
    return std::optional<std::string>(std::move(text));
}

constexpr std::int64_t U32_MAX = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t I64_MIN = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t I64_MAX = std::numeric_limits<std::int64_t>::max();

Read<Access> read_access(const TomlNode& node, const std::string& path) {
    TableReader table(node, path);
    if (auto ok = expect_kind(node, TomlKind::Table, path); !ok)
        return std::unexpected(std::move(ok.error()));
    TELVORA_TRY(method_node, table.required("method"));
    TELVORA_TRY(method_text, read_string(*method_node, table.path("method")));

    if (method_text == "msr") {
        TELVORA_CHECK(table.check({"method", "address"}));
        TELVORA_TRY(address_node, table.required("address"));
        TELVORA_TRY(address, read_integer(*address_node, table.path("address"), 0, U32_MAX));
        return Access{Access::Msr{static_cast<std::uint32_t>(address)}};
    }
    if (method_text == "ec") {
        TELVORA_CHECK(table.check({"method", "offset"}));
        TELVORA_TRY(offset_node, table.required("offset"));
        TELVORA_TRY(offset, read_integer(*offset_node, table.path("offset"), 0, 255));
        return Access{Access::Ec{static_cast<std::uint8_t>(offset)}};
    }
    if (method_text == "wmi") {
        TELVORA_CHECK(table.check({"method", "class", "property"}));
        TELVORA_TRY(class_name, required_string(table, "class"));
        TELVORA_TRY(property, required_string(table, "property"));
        return Access{Access::Wmi{std::move(class_name), std::move(property)}};
    }
    if (method_text == "acpi") {
        TELVORA_CHECK(table.check({"method", "path"}));
        TELVORA_TRY(acpi_path, required_string(table, "path"));
        return Access{Access::Acpi{std::move(acpi_path)}};
    }
    if (method_text == "platform_profile")
        return Access{Access::PlatformProfile{}};  // other keys are ignored here
    return failure(table.path("method"),
                   "valeur « " + method_text +
                       " » inconnue (valeurs permises : « msr », « ec », « wmi », « acpi », "
                       "« platform_profile »)",
                   method_node->position);
}

Read<Bounds> read_bounds(const TomlNode& node, const std::string& path) {
    TableReader table(node, path);
    TELVORA_CHECK(table.check({"min", "max"}));
    TELVORA_TRY(min_node, table.required("min"));
    TELVORA_TRY(min, read_integer(*min_node, table.path("min"), I64_MIN, I64_MAX));
    TELVORA_TRY(max_node, table.required("max"));
    TELVORA_TRY(max, read_integer(*max_node, table.path("max"), I64_MIN, I64_MAX));
    return Bounds{min, max};
}

constexpr std::array<std::pair<std::string_view, Confidence>, 3> CONFIDENCE_NAMES{{
    {"validated", Confidence::Validated},
    {"documented", Confidence::Documented},
    {"assumed", Confidence::Assumed},
}};

constexpr std::array<std::pair<std::string_view, ProfileScope>, 2> SCOPE_NAMES{{
    {"model", ProfileScope::Model},
    {"family", ProfileScope::Family},
}};

Read<Capability> read_capability(const TomlNode& node, const std::string& path) {
    TableReader table(node, path);
    TELVORA_CHECK(table.check(
        {"id", "label", "access", "confidence", "sources", "validated_on", "bounds", "notes"}));
    Capability capability;
    TELVORA_TRY(id, required_string(table, "id"));
    capability.id = std::move(id);
    TELVORA_TRY(label, required_string(table, "label"));
    capability.label = std::move(label);
    TELVORA_TRY(access_node, table.required("access"));
    TELVORA_TRY(access, read_access(*access_node, table.path("access")));
    capability.access = std::move(access);
    TELVORA_TRY(confidence_node, table.required("confidence"));
    TELVORA_TRY(confidence,
                read_name(*confidence_node, table.path("confidence"), CONFIDENCE_NAMES));
    capability.confidence = confidence;
    TELVORA_TRY(sources_node, table.required("sources"));
    TELVORA_TRY(sources, read_string_list(*sources_node, table.path("sources")));
    capability.sources = std::move(sources);
    TELVORA_TRY(validated_on, optional_string(table, "validated_on"));
    capability.validated_on = std::move(validated_on);
    if (const TomlNode* bounds_node = table.optional("bounds")) {
        TELVORA_TRY(bounds, read_bounds(*bounds_node, table.path("bounds")));
        capability.bounds = bounds;
    }
    TELVORA_TRY(notes, optional_string(table, "notes"));
    capability.notes = std::move(notes);
    return capability;
}

Read<Matches> read_matches(const TomlNode& node, const std::string& path) {
    TableReader table(node, path);
    TELVORA_CHECK(table.check({"mtm", "version_contains"}));
    Matches matches;
    if (const TomlNode* mtm = table.optional("mtm")) {
        TELVORA_TRY(list, read_string_list(*mtm, table.path("mtm")));
        matches.mtm = std::move(list);
    }
    if (const TomlNode* fragments = table.optional("version_contains")) {
        TELVORA_TRY(list, read_string_list(*fragments, table.path("version_contains")));
        matches.version_contains = std::move(list);
    }
    return matches;
}

Read<MachineProfile> read_profile(const TomlNode& root) {
    TableReader table(root, "");
    TELVORA_CHECK(
        table.check({"schema_version", "id", "display_name", "scope", "matches", "capabilities"}));
    MachineProfile profile;
    TELVORA_TRY(version_node, table.required("schema_version"));
    TELVORA_TRY(version, read_integer(*version_node, "schema_version", 0, U32_MAX));
    profile.schema_version = static_cast<std::uint32_t>(version);
    TELVORA_TRY(id, required_string(table, "id"));
    profile.id = std::move(id);
    TELVORA_TRY(display_name, required_string(table, "display_name"));
    profile.display_name = std::move(display_name);
    TELVORA_TRY(scope_node, table.required("scope"));
    TELVORA_TRY(scope, read_name(*scope_node, "scope", SCOPE_NAMES));
    profile.scope = scope;
    TELVORA_TRY(matches_node, table.required("matches"));
    TELVORA_TRY(matches, read_matches(*matches_node, "matches"));
    profile.matches = std::move(matches);
    if (const TomlNode* list = table.optional("capabilities")) {
        if (auto array = expect_kind(*list, TomlKind::Array, "capabilities"); !array)
            return std::unexpected(std::move(array.error()));
        profile.capabilities.reserve(list->children.size());
        for (std::size_t i = 0; i < list->children.size(); ++i) {
            TELVORA_TRY(capability,
                        read_capability(list->children[i], element_path("capabilities", i)));
            profile.capabilities.push_back(std::move(capability));
        }
    }
    return profile;
}

#undef TELVORA_TRY
#undef TELVORA_CHECK

}  // namespace

std::expected<MachineProfile, ProfileError> parse_profile(std::string_view text) {
    auto root = read_toml(text);
    if (!root)
        return failure("", "syntaxe : " + root.error().message, root.error().position);
    return read_profile(*root);
}

}  // namespace telvora
