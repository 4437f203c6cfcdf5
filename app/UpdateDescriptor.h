#pragma once
// The version numbers and the update descriptor "downloadupdate.xml" of the maker's site. No
// windows here: the update check and its tests read descriptors through this alone.
#include <compare>
#include <string>
#include <string_view>
#include <vector>

// Three numbers compared as numbers: 1.10.0 is newer than 1.4.1.
struct UpdateVersion {
    int major = 0, minor = 0, patch = 0;

    // "a.b.c" with decimal numbers; false for anything else.
    static bool Parse(std::wstring_view text, UpdateVersion& out);
    // "%d.%d.%d"
    std::wstring Format() const;
    auto operator<=>(const UpdateVersion&) const = default;
};

struct UpdateDescriptor {
    UpdateVersion version;
    std::wstring notes; // the "item" texts of "description", concatenated in order
    bool has_notes = false;
    std::wstring exe_url; // empty when the descriptor names no updater

    // False when the text is not a well-formed document with the root "update".
    static bool FromText(std::wstring_view xml, UpdateDescriptor& out);
    static bool FromFile(const std::wstring& path, UpdateDescriptor& out);
};
