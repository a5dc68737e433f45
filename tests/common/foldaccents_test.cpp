#include "common/foldaccents.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(FoldAccents, foldsTheTableLettersInEitherCase)
{
    // Windows-1252 bytes of the 27 letters and their plain partners.
    const std::string accented = "\xE0\xE1\xE2\xE3\xE4\xE5\xF2\xF3\xF4\xF5\xF6\xF8\xE8\xE9\xEA\xEB"
                                 "\xEC\xED\xEE\xEF\xF9\xFA\xFB\xFC\xFF\xF1\xE7";
    EXPECT_EQ(FoldAccents(accented), "aaaaaaooooooeeeeiiiiuuuuync");
    // Accented capitals are made small first, then folded (Ÿ included).
    EXPECT_EQ(FoldAccents("\xC0\xC9\xC7\xD8\xD1\x9F"), "aecony");
    EXPECT_EQ(FoldAccents("Ch\xC2TEAU FM 92.5"), "chateau fm 92.5");
}

TEST(FoldAccents, leavesLettersOutsideTheTable)
{
    // æ, œ, ý, ß, Æ (made small only), and bytes that are no letters.
    EXPECT_EQ(FoldAccents("\xE6\x9C\xFD\xDF"), "\xE6\x9C\xFD\xDF");
    EXPECT_EQ(FoldAccents("\xC6\x8C\xDD"), "\xE6\x9C\xFD");
    EXPECT_EQ(FoldAccents(std::string("a\0\x80\xA0!", 5)), std::string("a\0\x80\xA0!", 5));
    EXPECT_EQ(FoldAccents(""), "");
}

} // namespace
