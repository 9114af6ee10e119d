// Every extension is its label and a chain of sub-blocks, whatever their
// sizes. Each shape below stands in front of both images and behind the
// last; the images must load as giflib shows them, with the file whole,
// without its trailer (the last extension's terminator is then the last
// byte), and cut short inside the extension between the images.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "gif/gif.h"
#include "tests/differential_check.h"
#include "tools/gif_writer.h"

namespace {

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

struct ShapeCase {
    const char* name;
    uint8_t label;
    std::vector<Bytes> subBlocks;  // none: an empty extension, the terminator right behind the label
    int wantResult;                // of the whole file: the result the last extension leaves
    int wantCutResult;             // the data ends inside the extension's first sub-block
    bool giflibMisreads;           // compared with giflib's reading of the file without it
};

// Disposal 2, 70 ms, index 0 transparent: what a control that is not read
// would visibly leave out.
const Bytes control = {0x09, 7, 0, 0};
const Bytes plainTextHeader = {0, 0, 0, 0, 3, 0, 2, 0, 1, 1, 1, 0};

const ShapeCase shapeCases[] = {
    {"empty application extension", 0xFF, {}, loadComplete, loadComplete, true},
    {"application header of 8 bytes, NETSCAPE", 0xFF, {text("NETSCAPE"), {1, 3, 0}}, loadComplete, loadComplete},
    {"application header of 9 bytes", 0xFF, {text("TILESETV1"), {0, 0, 1}}, loadComplete, loadComplete},
    {"application header of 11 bytes", 0xFF, {text("XMP DataXMP"), {0x21, 0x2C, 0x3B, 0}}, loadComplete, loadComplete},
    {"application header of 14 bytes, NETSCAPE", 0xFF, {text("NETSCAPE2.0abc"), {1, 5, 0}}, loadComplete, loadComplete},
    {"NETSCAPE, a buffering sub-block and more",
     0xFF,
     {text("NETSCAPE2.0"), {1, 2, 0}, {2, 0, 16, 0, 0}, {0x2C, 0x21}},
     loadComplete,
     loadComplete},
    {"empty graphic control", 0xF9, {}, loadBadData, loadComplete, true},
    {"graphic control of 3 bytes", 0xF9, {{0x09, 7, 0}}, loadBadData, loadBadData},
    {"graphic control of 4 bytes", 0xF9, {control}, loadComplete, loadBadData},
    {"graphic control of 5 bytes", 0xF9, {{0x09, 7, 0, 0, 0x2C}}, loadComplete, loadBadData},
    {"graphic control with a second sub-block", 0xF9, {control, {0x2C, 0, 0}}, loadComplete, loadBadData},
    {"plain text", 0x01, {plainTextHeader, text("hi,!;")}, loadComplete, loadComplete},
    {"empty plain text", 0x01, {}, loadComplete, loadComplete, true},
    {"image name (label 0xCE)", 0xCE, {text("tile 1")}, loadComplete, loadComplete},
    {"unknown label holding 0x21, 0x2C and 0x3B", 0x99, {{0x21}, {0x2C, 0, 0, 0}, {0x3B}}, loadComplete, loadComplete},
    {"empty comment", 0xFE, {}, loadDataEnded, loadComplete, true},
};

TEST(ExtensionShapes, ImagesAroundEachShapeLoadAsGiflibShowsThem) {
    Bytes head, first, second;
    beginGif(&head, 3, 2, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
    putFrame(&first, frameAt(0, 0, 3, 2, {0, 1, 2, 3, 1, 2}));
    putFrame(&second, frameAt(1, 0, 2, 2, {0, 3, 2, 0}));
    auto join = [](std::vector<Bytes> parts) {
        Bytes all;
        for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    const Bytes trailer = {0x3B};
    for (const ShapeCase& c : shapeCases) {
        Bytes block;
        putExtension(&block, c.label, c.subBlocks);
        const Bytes around = c.giflibMisreads ? Bytes() : block;
        const Bytes gif = join({head, block, first, block, second, block, trailer});
        const Bytes giflibReads = join({head, around, first, around, second, around, trailer});
        expectLoadLikeGiflib(c.name, gif, giflibReads, c.wantResult);
        expectLoadLikeGiflib(std::string(c.name) + ", no trailer", Bytes(gif.begin(), gif.end() - 1), giflibReads,
                             c.wantResult);

        const size_t middle = head.size() + block.size() + first.size();
        const size_t firstLength = c.subBlocks.empty() ? 0 : c.subBlocks[0].size();
        const size_t cut = std::min(middle + 3 + firstLength / 2, middle + block.size() - 1);
        expectLoadLikeGiflib(std::string(c.name) + ", cut short", Bytes(gif.begin(), gif.begin() + cut),
                             join({head, around, first, trailer}), c.wantCutResult);
    }
}

}  // namespace
