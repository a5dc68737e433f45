#pragma once

#include <string>

// What the crash writer and the killing test agree on.
namespace crashwrites {

inline constexpr const char* kRenamedPage = "Station_0000.htm";
inline constexpr const char* kTitleA = "Aaa Radio Premi\xE8re";
inline constexpr const char* kTitleB = "Zzz Radio Derni\xE8re";
inline constexpr const char* kAddedStation = "Radio Ajout\xE9"
                                             "e";
// The page of kAddedStation on disk: the index names it in Windows-1252,
// the disk in UTF-8.
inline constexpr const char* kAddedPage = "Radio_Ajout\xC3\xA9"
                                          "e.htm";
inline constexpr int kPositionA = 40;
inline constexpr int kPositionB = 600;

// A station page as the rebuild reads it.
inline std::string Page(const std::string& title)
{
    return "<html>\r\n<font name=\"titre\">" + title + "</font>\r\n"
        + "<param name=\"filename\" value=\"http://127.0.0.1/stream\">\r\n</html>\r\n";
}

} // namespace crashwrites
