#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Index lines as the programs write them: a station in the drop-down, and
// one commented out of it.
inline std::string ActiveLine(const std::string& file, const std::string& name)
{
    return "<option value=\"" + file + "\">" + name + "</option>\r\n";
}

inline std::string InactiveLine(const std::string& file, const std::string& name)
{
    return "<!--<option value=\"" + file + "\">" + name + "</option>-->\r\n";
}

// The personal-list edits applied name by name on the index text, exactly
// as the steps read: the literal reference that the one-pass implementation
// must match byte for byte.
inline std::string ReferenceApplyPersonalList(std::string text,
    const std::vector<std::string>& names,
    const std::function<bool(const std::string&)>& isPersonal)
{
    for (const auto& name : names) {
        const std::string pattern = "\">" + name + "</option>";
        const auto pos = text.find(pattern);
        if (pos == std::string::npos)
            continue;
        const auto start = text.rfind("<option value=", pos);
        if (start == std::string::npos)
            continue;
        const bool commented = start >= 4 && text.compare(start - 4, 4, "<!--") == 0;
        const bool personal = isPersonal(name);
        if (!commented && !personal) {
            text.insert(pos + pattern.size(), "-->");
            text.insert(start, "<!--");
        } else if (commented && personal) {
            if (text.compare(pos + pattern.size(), 3, "-->") == 0)
                text.erase(pos + pattern.size(), 3);
            text.erase(start - 4, 4);
        }
    }
    return text;
}

} // namespace testsupport
