// The ".gif" test every file source applies.
#include <gtest/gtest.h>

#include <string>

#include "files/extension.h"

namespace {

struct ExtensionCase {
    const char* why;
    std::u16string text;
    int want;
};

const ExtensionCase extensionCases[] = {
    {"lower case", u"a.gif", 1},
    {"upper case", u"A.GIF", 1},
    {"each letter in its own case", u"x.GiF", 1},
    {"full path", u"C:\\pictures\\anim.gif", 1},
    {"a folder's only name .gif: the text is longer than four units", u"C:\\d\\.gif", 1},
    {"bare .gif: no unit before the extension", u".gif", 0},
    {"four units that are not the extension", u"agif", 0},
    {"shorter than the extension", u"gif", 0},
    {"empty", u"", 0},
    {"a unit after the extension", u"a.gifx", 0},
    {"extension cut short", u"a.gi", 0},
    {"another extension", u"a.jpg", 0},
    {"no full stop", u"a_gif", 0},
    {"full stop in the wrong place", u"ag.if", 0},
    {"fullwidth letters do not fold", u"a.\uFF47\uFF49\uFF46", 0},
    {"dotless i is not i", u"a.g\u0131f", 0},
    {"f with hook is not f", u"a.gi\u0192", 0},
    {"trailing space", u"a.gif ", 0},
};

TEST(HasGifExtension, TextsFromEverySource) {
    for (const ExtensionCase& c : extensionCases) {
        EXPECT_EQ(hasGifExtension(c.text.c_str()), c.want) << c.why;
    }
}

// The test stops at the terminator, whatever the buffer holds behind it.
TEST(HasGifExtension, StopsAtTheTerminator) {
    const char16_t buffer[] = u"a.jpg\0b.gif";
    EXPECT_EQ(hasGifExtension(buffer), 0);
}

}  // namespace
