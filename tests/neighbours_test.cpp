// The neighbour query and the directory step against a scripted directory
// that stands in for FindFirstFileW / FindNextFileW / FindClose.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/neighbours.h"
#include "files/neighbours_platform.h"

struct FindObject {
    size_t next;  // index of the entry findNext delivers
};

namespace {

// The directory the seam enumerates, and what the code under test asked of it.
struct ScriptedDirectory {
    std::vector<std::u16string> entries;  // in enumeration order; empty: the pattern matches nothing
    std::u16string pattern;               // last pattern searched
    int32_t searches;
    int32_t entriesRead;
    int32_t openHandles;
    int32_t mostOpenHandles;
    FindObject handle;
};

ScriptedDirectory directory;

void deliver(size_t index, char16_t* name) {
    std::u16string entry = directory.entries[index].substr(0, findNameUnits - 1);
    std::char_traits<char16_t>::copy(name, entry.c_str(), entry.size() + 1);
    ++directory.entriesRead;
}

}  // namespace

FindHandle findFirst(const char16_t* pattern, char16_t* name) {
    directory.pattern = pattern;
    ++directory.searches;
    if (directory.entries.empty()) return nullptr;
    deliver(0, name);
    directory.handle.next = 1;
    if (++directory.openHandles > directory.mostOpenHandles) directory.mostOpenHandles = directory.openHandles;
    return &directory.handle;
}

int32_t findNext(FindHandle find, char16_t* name) {
    if (find->next >= directory.entries.size()) return 0;
    deliver(find->next++, name);
    return 1;
}

void findClose(FindHandle) { --directory.openHandles; }

namespace {

const char16_t unwritten = u'#';  // fills outputs, so a write shows

struct PathBuffer {
    char16_t units[1024];
};

PathBuffer makePath(const std::u16string& text) {
    PathBuffer path;
    std::char_traits<char16_t>::assign(path.units, 1024, unwritten);
    std::char_traits<char16_t>::copy(path.units, text.c_str(), text.size() + 1);
    return path;
}

void script(std::vector<std::u16string> entries) {
    directory = ScriptedDirectory();
    directory.entries = std::move(entries);
}

std::string narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? (char)c : '?';
    return out;
}

struct QueryCase {
    const char* name;
    std::vector<std::u16string> entries;
    std::u16string open;
    int32_t want;
    std::u16string wantPrevious;  // checked when the result has hasPreviousFile
    std::u16string wantNext;      // checked when the result has hasNextFile
    int32_t wantRead;             // entries taken from the enumeration
};

const std::vector<std::u16string> abc = {u"a.gif", u"b.gif", u"c.gif"};

const QueryCase queryCases[] = {
    {"first of three", abc, u"a.gif", 1, u"", u"b.gif", 2},
    {"middle of three", abc, u"b.gif", 3, u"a.gif", u"c.gif", 3},
    {"last of three", abc, u"c.gif", 2, u"b.gif", u"", 3},
    {"first of two", {u"a.gif", u"b.gif"}, u"a.gif", 1, u"", u"b.gif", 2},
    {"last of two", {u"a.gif", u"b.gif"}, u"b.gif", 2, u"a.gif", u"", 2},
    {"reading stops after the next file", {u"a.gif", u"b.gif", u"c.gif", u"d.gif", u"e.gif"}, u"b.gif", 3,
     u"a.gif", u"c.gif", 3},
    {"the system's order, not sorted", {u"z.gif", u"a.gif", u"m.gif"}, u"a.gif", 3, u"z.gif", u"m.gif", 3},
    {"only entry", {u"a.gif"}, u"a.gif", 0, u"", u"", 1},
    {"name not among the entries", abc, u"x.gif", 0, u"", u"", 3},
    {"other letter case than the directory holds", {u"a.gif", u"B.gif", u"c.gif"}, u"b.gif", 0, u"", u"", 3},
    {"extension case differs", {u"a.gif", u"b.GIF", u"c.gif"}, u"b.gif", 0, u"", u"", 3},
    {"name is a prefix of an entry", {u"a.gif", u"b.gif2", u"c.gif"}, u"b.gif", 0, u"", u"", 3},
    {"entry is a prefix of the name", {u"a.gif", u"b.gi", u"c.gif"}, u"b.gif", 0, u"", u"", 3},
};

TEST(NeighbourQuery, PositionAmongEntries) {
    for (const QueryCase& c : queryCases) {
        SCOPED_TRACE(c.name);
        script(c.entries);
        PathBuffer path = makePath(u"C:\\Pics\\" + c.open);
        char16_t previous[findNameUnits] = {unwritten, 0};
        char16_t next[findNameUnits] = {unwritten, 0};
        uint32_t directoryLength = 99;
        EXPECT_EQ(neighbourQuery(path.units, previous, next, &directoryLength), c.want);
        if (c.want & hasPreviousFile) {
            EXPECT_EQ(narrow(previous), narrow(c.wantPrevious));
        }
        if (c.want & hasNextFile) {
            EXPECT_EQ(narrow(next), narrow(c.wantNext));
        }
        EXPECT_EQ(directoryLength, 8u);
        EXPECT_EQ(directory.entriesRead, c.wantRead);
        EXPECT_EQ(directory.openHandles, 0) << "find handle left open";
        EXPECT_EQ(directory.mostOpenHandles, 1);
    }
}

TEST(NeighbourQuery, SameResultWithoutOutputs) {
    for (const QueryCase& c : queryCases) {
        SCOPED_TRACE(c.name);
        script(c.entries);
        PathBuffer path = makePath(u"C:\\Pics\\" + c.open);
        EXPECT_EQ(neighbourQuery(path.units, nullptr, nullptr, nullptr), c.want);
    }
}

TEST(NeighbourQuery, SearchesDirectoryPartWithGifPattern) {
    script(abc);
    PathBuffer path = makePath(u"D:\\My Pics\\Sub.Dir\\b.gif");
    neighbourQuery(path.units, nullptr, nullptr, nullptr);
    EXPECT_EQ(narrow(directory.pattern), "D:\\My Pics\\Sub.Dir\\*.gif");
}

TEST(NeighbourQuery, PathWithoutBackslashSearchesNothing) {
    script(abc);
    PathBuffer path = makePath(u"b.gif");
    char16_t previous[2] = {unwritten, 0};
    char16_t next[2] = {unwritten, 0};
    uint32_t directoryLength = 99;
    EXPECT_EQ(neighbourQuery(path.units, previous, next, &directoryLength), 0);
    EXPECT_EQ(directory.searches, 0);
    EXPECT_EQ(previous[0], unwritten);
    EXPECT_EQ(next[0], unwritten);
    EXPECT_EQ(directoryLength, 99u);
}

TEST(NeighbourQuery, NothingMatchingWritesNothing) {
    script({});  // the directory is gone, or holds no GIF file
    PathBuffer path = makePath(u"C:\\Gone\\b.gif");
    char16_t previous[2] = {unwritten, 0};
    char16_t next[2] = {unwritten, 0};
    uint32_t directoryLength = 99;
    EXPECT_EQ(neighbourQuery(path.units, previous, next, &directoryLength), 0);
    EXPECT_EQ(directory.searches, 1);
    EXPECT_EQ(previous[0], unwritten);
    EXPECT_EQ(next[0], unwritten);
    EXPECT_EQ(directoryLength, 99u) << "directory length written although nothing matched";
}

// A directory part of n units makes a pattern of n + 6 units with "*.gif"
// and its terminator; beyond 1024 there is no search and no neighbour.
TEST(NeighbourQuery, PatternMustFitItsBuffer) {
    struct {
        uint32_t directoryUnits;
        int32_t wantSearches;
        int32_t want;
    } cases[] = {{1017, 1, 3}, {1018, 1, 3}, {1019, 0, 0}, {1022, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.directoryUnits);
        script({u"a", u"b", u"c"});
        std::u16string directoryPart = u"C:\\" + std::u16string(c.directoryUnits - 4, u'd') + u"\\";
        PathBuffer path = makePath(directoryPart + u"b");
        EXPECT_EQ(neighbourQuery(path.units, nullptr, nullptr, nullptr), c.want);
        EXPECT_EQ(directory.searches, c.wantSearches);
        if (c.wantSearches) {
            EXPECT_EQ(directory.pattern, directoryPart + u"*.gif");
        }
    }
}

TEST(NeighbourQuery, LongestNameIsCopiedWhole) {
    std::u16string longest(findNameUnits - 5, u'n');
    longest += u".gif";  // 259 units, the most a find record holds
    script({u"a.gif", u"b.gif", longest});
    PathBuffer path = makePath(u"C:\\b.gif");
    char16_t next[findNameUnits];
    EXPECT_EQ(neighbourQuery(path.units, nullptr, next, nullptr), 3);
    EXPECT_EQ(std::u16string(next), longest);
}

struct StepCase {
    const char* name;
    std::vector<std::u16string> entries;
    std::u16string open;
    uint32_t direction;  // the window passes the key code AND 2: 0 for Left, 2 for Right
    int32_t want;
    std::u16string wantName;  // the file name part afterwards
};

const StepCase stepCases[] = {
    {"middle, previous", abc, u"b.gif", 0, 3, u"a.gif"},
    {"middle, next", abc, u"b.gif", 2, 3, u"c.gif"},
    {"first, previous", abc, u"a.gif", 0, 0, u"a.gif"},
    {"first, next", abc, u"a.gif", 2, 1, u"b.gif"},
    {"last, previous", abc, u"c.gif", 0, 2, u"b.gif"},
    {"last, next", abc, u"c.gif", 2, 0, u"c.gif"},
    {"any nonzero direction is next", abc, u"b.gif", 1, 3, u"c.gif"},
    {"only entry, previous", {u"a.gif"}, u"a.gif", 0, 0, u"a.gif"},
    {"only entry, next", {u"a.gif"}, u"a.gif", 2, 0, u"a.gif"},
    {"other letter case", {u"a.gif", u"B.gif", u"c.gif"}, u"b.gif", 2, 0, u"b.gif"},
    {"shorter name replaces a longer one", {u"a.gif", u"a long name.gif"}, u"a long name.gif", 0, 2, u"a.gif"},
    {"pattern-only match is taken as it is", {u"a.gif", u"b.gifx"}, u"a.gif", 2, 1, u"b.gifx"},
};

TEST(DirectoryStep, ReplacesOnlyTheFileName) {
    for (const StepCase& c : stepCases) {
        SCOPED_TRACE(c.name);
        script(c.entries);
        PathBuffer path = makePath(u"C:\\Mixed Case\\" + c.open);
        EXPECT_EQ(directoryStep(path.units, c.direction), c.want);
        EXPECT_EQ(narrow(path.units), "C:\\Mixed Case\\" + narrow(c.wantName));
        EXPECT_EQ(directory.openHandles, 0);
    }
}

// The stepped path needs directory + name + terminator units; at 1025 the
// step is refused and the path stays exactly as it was.
TEST(DirectoryStep, SteppedPathMustFitItsBuffer) {
    const uint32_t directoryUnits = 1000;
    std::u16string directoryPart = u"C:\\" + std::u16string(directoryUnits - 4, u'd') + u"\\";
    struct {
        uint32_t nameUnits;
        int32_t want;
    } cases[] = {{22, 1}, {23, 1}, {24, 0}, {259, 0}};  // 1000 + 23 + 1 = 1024
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nameUnits);
        std::u16string neighbour = std::u16string(c.nameUnits - 4, u'n') + u".gif";
        script({u"a.gif", neighbour});
        PathBuffer path = makePath(directoryPart + u"a.gif");
        PathBuffer before = path;
        EXPECT_EQ(directoryStep(path.units, 2), c.want);
        if (c.want) {
            EXPECT_EQ(std::u16string(path.units), directoryPart + neighbour);
        } else {
            EXPECT_EQ(std::char_traits<char16_t>::compare(path.units, before.units, 1024), 0);
        }
    }
}

TEST(DirectoryStep, NothingMatchingLeavesPathAlone) {
    script({});
    PathBuffer path = makePath(u"C:\\Gone\\b.gif");
    EXPECT_EQ(directoryStep(path.units, 2), 0);
    EXPECT_EQ(narrow(path.units), "C:\\Gone\\b.gif");
}

}  // namespace
