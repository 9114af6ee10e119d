// The window title: its three forms, the labels, the file name, and the cut
// at the buffer's end.
#include "app/title.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gif/gif.h"

namespace {

struct TitleState {
    uint32_t frameCount;
    int32_t playing;
    uint32_t reversed;
    int32_t speedIndex;
    uint32_t zoomIndex;
    uint32_t frameNumber;
    uint32_t imagesInFile;  // 0: as many as frames, an uncut load
};

// Fills a buffer with a guard pattern past pathUnits to catch overruns.
const char16_t guardUnit = 0x7777;
const size_t guardUnits = 16;

std::u16string composeWithGuard(const char16_t* name, const TitleState& s, bool* guardIntact) {
    Animation animation = {};
    animation.frameCount = s.frameCount;
    animation.imagesInFile = s.imagesInFile;
    ViewState view = {};
    view.animation = &animation;
    view.playing = s.playing;
    view.reversed = s.reversed;
    view.speedIndex = s.speedIndex;
    std::vector<char16_t> out(pathUnits + guardUnits, guardUnit);
    composeTitle(out.data(), name, &animation, &view, s.zoomIndex, s.frameNumber);
    *guardIntact = true;
    for (size_t i = pathUnits; i < out.size(); ++i) *guardIntact = *guardIntact && out[i] == guardUnit;
    return std::u16string(out.data());
}

std::u16string compose(const char16_t* name, const TitleState& s) {
    bool guardIntact = false;
    std::u16string title = composeWithGuard(name, s, &guardIntact);
    EXPECT_TRUE(guardIntact);
    return title;
}

std::string narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? (char)c : '?';
    return out;
}

TEST(Title, ChoosesTheFormAndFillsItsFields) {
    struct Case {
        const char* name;
        TitleState state;
        const char16_t* want;
    } cases[] = {
        {"one frame", {1, 0, 0, 8, 4, 0}, u"a.gif (1 frame | 100%)"},
        {"one frame, a frame number given", {1, 0, 0, 8, 4, 1}, u"a.gif (1 frame | 100%)"},
        {"no frames at all", {0, 0, 0, 8, 2, 3}, u"a.gif (1 frame | 150%)"},
        {"just loaded, not yet playing", {12, 0, 0, 8, 4, 0}, u"a.gif (12 frames | >> | x\u20091.00 | 100%)"},
        {"playing reversed", {12, 1, 1, 8, 4, 0}, u"a.gif (12 frames | << | x\u20091.00 | 100%)"},
        {"one speed up", {12, 1, 0, 7, 4, 0}, u"a.gif (12 frames | >> | x\u20091.125 | 100%)"},
        {"playing ignores the frame number", {12, 1, 0, 8, 6, 5}, u"a.gif (12 frames | >> | x\u20091.00 | 50%)"},
        {"after stop", {12, 0, 0, 8, 4, 1}, u"a.gif (1 of 12 frames | 100%)"},
        {"after two steps", {12, 0, 1, 8, 4, 3}, u"a.gif (3 of 12 frames | 100%)"},
        {"zoomed while paused", {12, 0, 0, 8, 0, 12}, u"a.gif (12 of 12 frames | 400%)"},
        {"slowest, smallest", {2, 1, 0, 13, 7, 0}, u"a.gif (2 frames | >> | x\u20090.0625 | 25%)"},
        {"many digits", {1234567, 0, 0, 8, 4, 1000090}, u"a.gif (1000090 of 1234567 frames | 100%)"},
        // Memory cut the load: how many images the file has, never as "of".
        {"cut, playing", {461, 1, 0, 8, 4, 0, 600}, u"a.gif (461 frames, 600 in file | >> | x\u20091.00 | 100%)"},
        {"cut, one frame", {1, 0, 0, 8, 4, 0, 300}, u"a.gif (1 frame, 300 in file | 100%)"},
        {"cut, frame on show", {461, 0, 0, 8, 4, 3, 600}, u"a.gif (3 of 461 frames, 600 in file | 100%)"},
        {"counted as many as kept", {461, 0, 0, 8, 4, 3, 461}, u"a.gif (3 of 461 frames | 100%)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(narrow(compose(u"a.gif", c.state)), narrow(c.want)) << c.name;
        EXPECT_TRUE(compose(u"a.gif", c.state) == c.want) << c.name << " (the thin space?)";
    }
}

TEST(Title, EverySpeedAndZoomLabel) {
    const char16_t* speeds[] = {u"16.00", u"8.00", u"4.00", u"2.00", u"1.75", u"1.50",  u"1.25",
                                u"1.125", u"1.00", u"0.75", u"0.50", u"0.25", u"0.125", u"0.0625"};
    const char16_t* zooms[] = {u"400%", u"200%", u"150%", u"125%", u"100%", u"75%", u"50%", u"25%"};
    for (int32_t level = 0; level < 14; ++level) {
        std::u16string want = std::u16string(u"n (5 frames | >> | x\u2009") + speeds[level] + u" | 100%)";
        EXPECT_EQ(narrow(compose(u"n", {5, 1, 0, level, 4, 0})), narrow(want)) << "speed " << level;
    }
    for (uint32_t zoom = 0; zoom < 8; ++zoom) {
        std::u16string want = std::u16string(u"n (1 frame | ") + zooms[zoom] + u")";
        EXPECT_EQ(narrow(compose(u"n", {1, 0, 0, 8, zoom, 0})), narrow(want)) << "zoom " << zoom;
    }
}

TEST(DisplayName, TakesWhatFollowsTheLastBackslash) {
    struct Case {
        const char16_t* path;
        const char16_t* want;
    } cases[] = {
        {u"C:\\pictures\\cat.gif", u"cat.gif"},
        {u"\\\\server\\share\\two words.GIF", u"two words.GIF"},
        {u"C:\\dir\\x/y.gif", u"x/y.gif"},  // only a backslash separates
        {u"C:\\dir\\", u""},
        {u"bare.gif", u"bare.gif"},  // full paths always have one; do not crash without
        {u"C:\\\U0001F600.gif", u"\U0001F600.gif"},
    };
    for (const Case& c : cases) {
        char16_t name[pathUnits];
        takeDisplayName(name, c.path);
        EXPECT_TRUE(std::u16string(name) == c.want) << narrow(c.path);
    }
}

TEST(DisplayName, ANameLongerThanTheBufferIsCut) {
    std::u16string path = u"C:\\" + std::u16string(3000, u'a');
    std::vector<char16_t> name(pathUnits + guardUnits, guardUnit);
    takeDisplayName(name.data(), path.c_str());
    EXPECT_EQ(std::u16string(name.data()), std::u16string(pathUnits - 1, u'a'));
    for (size_t i = pathUnits; i < name.size(); ++i) ASSERT_EQ(name[i], guardUnit) << "overrun at " << i;
}

// Titles longer than the buffer: cut to pathUnits - 1 units, a prefix of the
// whole title, never ending in the first half of a surrogate pair. The pair
// is moved across the cut one position at a time.
TEST(Title, CutNeverSplitsASurrogatePair) {
    const char16_t pair[] = {0xD83D, 0xDE00, 0};  // U+1F600
    for (size_t before = pathUnits - 8; before <= pathUnits + 2; ++before) {
        std::u16string name = std::u16string(before, u'a') + pair + u"tail.gif";
        for (uint32_t frameNumber : {0u, 7u}) {
            TitleState state = {12, 0, 0, 8, 4, frameNumber};
            std::u16string whole =
                name + (frameNumber ? u" (7 of 12 frames | 100%)" : u" (12 frames | >> | x\u20091.00 | 100%)");
            bool guardIntact = false;
            std::u16string title = composeWithGuard(name.c_str(), state, &guardIntact);
            SCOPED_TRACE("pair at " + std::to_string(before) + ", frame number " + std::to_string(frameNumber));
            ASSERT_TRUE(guardIntact);
            ASSERT_TRUE(whole.compare(0, title.size(), title) == 0) << "not a prefix";
            bool splitsPair = before == pathUnits - 2;  // high half would be the last unit kept
            EXPECT_EQ(title.size(), splitsPair ? pathUnits - 2 : pathUnits - 1);
            EXPECT_FALSE(title.back() >= 0xD800 && title.back() <= 0xDBFF);
        }
    }
}

}  // namespace
