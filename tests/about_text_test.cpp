// The About text: its line layout is what the edit control and the
// clipboard show, so it is checked line by line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "about/about_text.h"
#include "morvix_version.h"

namespace {

std::vector<std::u16string> lines() {
    std::u16string text = aboutText;
    std::vector<std::u16string> out;
    size_t start = 0;
    for (size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos; start = end + 2) {
        out.push_back(text.substr(start, end - start));
    }
    out.push_back(text.substr(start));
    return out;
}

bool startsWith(const std::u16string& text, const std::u16string& prefix) { return text.rfind(prefix, 0) == 0; }

bool endsWith(const std::u16string& text, const std::u16string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

TEST(AboutText, FourteenLinesJoinedByCrLf) {
    std::vector<std::u16string> all = lines();
    ASSERT_EQ(all.size(), 14u);
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].find_first_of(u"\r\n"), std::u16string::npos) << "bare CR or LF in line " << i + 1;
        if (!all[i].empty()) {
            EXPECT_TRUE(startsWith(all[i], u" ") && !startsWith(all[i], u"  ")) << "line " << i + 1;
        }
    }
    for (size_t empty : {2, 4, 6, 9, 12}) EXPECT_TRUE(all[empty - 1].empty()) << "line " << empty;
    for (size_t notice : {10, 11, 13, 14}) EXPECT_FALSE(all[notice - 1].empty()) << "line " << notice;
}

TEST(AboutText, NameVersionAndNotice) {
    std::vector<std::u16string> all = lines();
    ASSERT_EQ(all.size(), 14u);
    EXPECT_EQ(all[0], u" Morvix \u2013 Player for GIF Animations");
    EXPECT_EQ(all[2], u" Version " MORVIX_VERSION_TEXT);  // the project's version
    EXPECT_TRUE(startsWith(all[4], u" \u00A9 Morvix Project, 20"));
}

// Invented contact lines on reserved domains, so they can never reach anyone.
TEST(AboutText, ContactLinesUseReservedDomains) {
    std::vector<std::u16string> all = lines();
    ASSERT_EQ(all.size(), 14u);
    ASSERT_TRUE(startsWith(all[6], u" E-mail:\t"));
    ASSERT_TRUE(startsWith(all[7], u" Web:\t"));
    std::u16string mail = all[6].substr(9);
    std::u16string web = all[7].substr(6);
    EXPECT_NE(mail.find(u'@'), std::u16string::npos);
    EXPECT_TRUE(endsWith(mail, u".invalid") || endsWith(mail, u"example.org"));
    EXPECT_TRUE(web.find(u".invalid") != std::u16string::npos || web.find(u"example.org") != std::u16string::npos);
}

// The edit control has no scroll bars: a line wider than the box would
// wrap and push the last line out of sight.
TEST(AboutText, LinesFitTheBoxWithoutWrapping) {
    for (const std::u16string& line : lines()) EXPECT_LE(line.size(), 40u);
}

}  // namespace
