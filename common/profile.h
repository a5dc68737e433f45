#pragma once

#include <string>
#include <string_view>
#include <vector>

// A private-profile (INI) file held as its Windows-1252 text with CR LF line
// ends: "[Section]" lines, then "key=value" lines. Reads and writes behave as
// the classic GetPrivateProfileString / WritePrivateProfileString calls do on
// the same text: section names and keys are matched without regard to case,
// changing a key rewrites its line in place, a new key goes at the end of its
// section and a new section at the end of the file.
class Profile {
public:
    Profile() = default;
    explicit Profile(std::string text);

    // Reads the file; false when it does not exist or cannot be read (the
    // profile is then empty).
    bool load(const std::string& path);
    // Replaces the file atomically with the current text.
    bool save(const std::string& path) const;

    // The value of key in section, surrounding blanks removed and a value
    // quoted with matching quotes unquoted; fallback when the section or key
    // is missing. At most maxLength bytes are returned, as with a buffer of
    // maxLength + 1 bytes.
    std::string get(std::string_view section, std::string_view key, std::string_view fallback = {},
        std::size_t maxLength = 259) const;
    bool hasSection(std::string_view section) const;
    bool hasKey(std::string_view section, std::string_view key) const;

    void set(std::string_view section, std::string_view key, std::string_view value);
    // Removes one key, or a whole section with its keys.
    void removeKey(std::string_view section, std::string_view key);
    void removeSection(std::string_view section);

    // Section names and the keys of a section, in file order.
    std::vector<std::string> sections() const;
    std::vector<std::string> keys(std::string_view section) const;

    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};
