// The context menu's rows per state, and where popup menus open.
#include "app/context_menu.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "gif/gif.h"
#include "render/layout.h"

namespace {

// Rows as a short line: commands by their key, "~" after a greyed one, "|"
// for a separator. "O | X" is the menu with nothing loaded.
std::string describe(const MenuRow* rows, uint32_t count) {
    static const std::map<uint32_t, std::string> keys = {
        {79, "O"},  {37, "Left"}, {39, "Right"}, {80, "P"},  {82, "R"},   {83, "S"},  {38, "Up"},
        {40, "Down"}, {78, "N"},  {86, "V"},     {187, "+"}, {189, "-"}, {88, "X"},
    };
    std::string out;
    for (uint32_t i = 0; i < count; ++i) {
        if (i) out += ' ';
        if (rows[i].identifier == 0) {
            out += rows[i].text ? "|?" : "|";
            continue;
        }
        auto key = keys.find(rows[i].identifier);
        out += key == keys.end() ? "#" + std::to_string(rows[i].identifier) : key->second;
        if (rows[i].greyed) out += '~';
    }
    return out;
}

struct MenuState {
    uint32_t frameCount;
    int32_t playing;
    uint32_t currentFrame;
    uint32_t reversed;
    int32_t speedIndex;
    uint32_t zoomIndex;
    int32_t neighbours;
};

std::string menuFor(const MenuState& s) {
    Animation animation = {};
    animation.frameCount = s.frameCount;
    ViewState view = {};
    view.animation = &animation;
    view.playing = s.playing;
    view.currentFrame = s.currentFrame;
    view.reversed = s.reversed;
    view.speedIndex = s.speedIndex;
    MenuRow rows[contextMenuRowsMost + 1];
    uint32_t count = contextMenuRows(rows, &view, s.zoomIndex, s.neighbours);
    EXPECT_LE(count, (uint32_t)contextMenuRowsMost);
    return describe(rows, count);
}

struct MenuCase {
    const char* name;
    MenuState state;
    const char* want;
};

const MenuCase menuCases[] = {
    // frames playing frame reversed speed zoom neighbours
    {"nothing loaded", {0, 0, 0, 0, 0, 0, 0}, "O | X"},
    {"loaded without any frame", {0, 0, 0, 0, 8, 4, 3}, "O | X"},
    {"one frame, only GIF of its folder", {1, 0, 0, 0, 8, 4, 0}, "O | Left~ Right~ | + - | X"},
    {"one frame, first of its folder", {1, 0, 0, 0, 8, 4, 1}, "O | Left~ Right | + - | X"},
    {"one frame, last of its folder", {1, 0, 0, 0, 8, 4, 2}, "O | Left Right~ | + - | X"},
    {"one frame, in the middle", {1, 0, 0, 0, 8, 4, 3}, "O | Left Right | + - | X"},
    {"one frame at the largest zoom", {1, 0, 0, 0, 8, 0, 3}, "O | Left Right | +~ - | X"},
    {"one frame at the smallest zoom", {1, 0, 0, 0, 8, 7, 3}, "O | Left Right | + -~ | X"},
    {"playing", {12, 1, 0, 0, 8, 4, 3}, "O | Left Right | P R S | Up Down | + - | X"},
    {"playing at the fastest speed", {12, 1, 5, 0, 0, 4, 3}, "O | Left Right | P R S | Up~ Down | + - | X"},
    {"playing at the slowest speed", {12, 1, 5, 0, 13, 4, 3}, "O | Left Right | P R S | Up Down~ | + - | X"},
    {"playing backward from frame 0", {12, 1, 0, 1, 8, 4, 3}, "O | Left Right | P R S | Up Down | + - | X"},
    {"first frame after Stop", {12, 0, 0, 0, 8, 4, 3}, "O | Left Right | P R S~ | N V | + - | X"},
    {"paused on a later frame", {12, 0, 3, 0, 8, 4, 3}, "O | Left Right | P R S | N V | + - | X"},
    {"paused backward on frame 0", {12, 0, 0, 1, 8, 4, 3}, "O | Left Right | P R S | N V | + - | X"},
    {"paused at speed ends: no speed rows", {2, 0, 1, 0, 0, 4, 3}, "O | Left Right | P R S | N V | + - | X"},
    {"two frames at both zoom ends", {2, 1, 0, 0, 8, 0, 0}, "O | Left~ Right~ | P R S | Up Down | +~ - | X"},
    {"playing at the smallest zoom", {2, 1, 0, 0, 8, 7, 1}, "O | Left~ Right | P R S | Up Down | + -~ | X"},
};

TEST(ContextMenu, RowsAndGreyingPerState) {
    for (const MenuCase& c : menuCases) EXPECT_EQ(menuFor(c.state), c.want) << c.name;
}

TEST(ContextMenu, ItemTexts) {
    const std::map<uint32_t, std::u16string> want = {
        {79, u"&Open File...\tO"},   {37, u"Pr&evious File\tLeft"}, {39, u"Nex&t File\tRight"},
        {80, u"&Play/Pause\tP"},     {82, u"Play &Reversed\tR"},     {83, u"&Stop\tS"},
        {38, u"Speed &Up\tUp"},      {40, u"Speed &Down\tDn"},       {78, u"&Next Frame\tN"},
        {86, u"Pre&v Frame\tV"},     {187, u"Zoom &In\t+"},          {189, u"Zoom O&ut\t\u2212"},
        {88, u"E&xit\tX"},
    };
    std::map<uint32_t, std::u16string> seen;
    Animation animation = {};
    animation.frameCount = 3;
    ViewState view = {};
    view.animation = &animation;
    for (int32_t playing = 0; playing <= 1; ++playing) {
        view.playing = playing;
        MenuRow rows[contextMenuRowsMost];
        uint32_t count = contextMenuRows(rows, &view, 4, 3);
        for (uint32_t i = 0; i < count; ++i) {
            if (rows[i].identifier) seen[rows[i].identifier] = rows[i].text;
        }
    }
    EXPECT_EQ(seen, want);
}

TEST(MenuAnchor, NegativePositionCentresOnTheWindow) {
    struct {
        int32_t position;
        ViewRect window;
        int32_t wantX, wantY;
    } cases[] = {
        {-1, {100, 50, 501, 351}, 300, 200},        // odd sizes: halves round down
        {INT32_MIN, {0, 0, 640, 480}, 320, 240},    // any negative value
        {-1, {-301, -101, 0, 0}, -151, -51},        // window partly off the screen
    };
    for (const auto& c : cases) {
        MenuAnchor anchor = menuAnchor(c.position, &c.window);
        EXPECT_EQ(anchor.x, c.wantX) << c.position;
        EXPECT_EQ(anchor.y, c.wantY) << c.position;
        EXPECT_EQ(anchor.centred, 1u) << c.position;
    }
}

TEST(MenuAnchor, ClickPositionIsUnpackedUnsigned) {
    const ViewRect window = {100, 100, 200, 200};
    struct {
        int32_t position;
        int32_t wantX, wantY;
    } cases[] = {
        {0, 0, 0},
        {(200 << 16) | 100, 100, 200},
        {(5 << 16) | 0xFFFF, 65535, 5},  // x is never taken as negative
        {0x7FFFFFFF, 65535, 32767},
    };
    for (const auto& c : cases) {
        MenuAnchor anchor = menuAnchor(c.position, &window);
        EXPECT_EQ(anchor.x, c.wantX) << c.position;
        EXPECT_EQ(anchor.y, c.wantY) << c.position;
        EXPECT_EQ(anchor.centred, 0u) << c.position;
    }
}

}  // namespace
