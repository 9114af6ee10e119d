// The player against giflib on GIFs that another encoder wrote: ImageMagick
// makes them during the run, in a temporary directory. Each file is checked
// as written and once more with its global colour table taken out, so that
// the frames without a local table fall back to the grey ramp.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "tests/differential_check.h"
#include "tests/giflib_reference.h"
#include "tools/gif_writer.h"

namespace {

// What a case must contain, so that a change in ImageMagick's output cannot
// quietly narrow the check.
enum Feature { plain = 0, interlacedFrame = 1, localTable = 2, transparency = 4, offsetFrame = 8 };

struct EncoderCase {
    const char* name;
    const char* arguments;   // for convert, before the output file
    const char* outputType;  // "gif:" or "gif87:"
    uint32_t wantFrames;
    int features;
};

// -colors makes every frame a palette image before the GIF coder sees it;
// without it ImageMagick quantises each frame itself, which takes seconds.
const EncoderCase encoderCases[] = {
    {"animated", "-delay 7 -size 20x15 xc:red xc:green xc:blue -loop 3 +dither -colors 4", "gif:", 3, plain},
    {"interlaced", "-size 37x29 -seed 1 plasma: +dither -colors 256 -interlace GIF", "gif:", 1, interlacedFrame},
    {"interlaced odd size", "-size 333x77 -seed 3 plasma: +dither -colors 200 -interlace GIF", "gif:", 1,
     interlacedFrame},
    {"transparent", "-size 16x16 xc:none -fill red -draw 'circle 8,8 8,3' +dither -colors 4", "gif:", 1, transparency},
    {"transparent animated",
     "-delay 10 -dispose Background -size 12x12 xc:none -fill blue -draw 'rectangle 2,2 6,6' "
     "\\( -size 12x12 xc:none -fill lime -draw 'circle 6,6 6,2' \\) +dither -colors 4 -loop 0",
     "gif:", 2, transparency},
    {"local tables",
     "-size 10x10 xc:red \\( -size 12x7 -seed 2 plasma: \\) \\( -size 5x9 gradient:yellow-blue \\) "
     "+dither -colors 64 -delay 20",
     "gif:", 3, localTable},
    {"optimised layers",
     "-size 30x20 xc:white \\( +clone -fill red -draw 'rectangle 5,5 12,12' \\) "
     "\\( +clone -fill blue -draw 'rectangle 15,2 25,10' \\) -layers optimize +dither -colors 8 -delay 5",
     "gif:", 3, offsetFrame},
    {"disposals and offsets",
     "-dispose Previous -size 20x20 xc:yellow -dispose Background \\( -size 8x8 xc:blue -repage +3+4 \\) "
     "-dispose None \\( -size 4x4 xc:red -repage +10+10 \\) +dither -colors 8",
     "gif:", 3, offsetFrame},
    {"7x3", "-size 7x3 gradient:red-blue +dither -colors 7", "gif:", 1, plain},
    {"255x1", "-size 255x1 gradient:black-white +dither -colors 256", "gif:", 1, plain},
    {"1x300", "-size 1x300 gradient:white-green +dither -colors 100", "gif:", 1, plain},
    {"1x1", "-size 1x1 xc:blue +dither -colors 2", "gif:", 1, plain},
    {"GIF87a", "-size 9x9 pattern:checkerboard +dither -colors 2", "gif87:", 1, plain},
    {"501 frames", "-size 5x5 xc:red xc:blue xc:lime -duplicate 166,0-2 -delay 3 +dither -colors 4 -loop 0",
     "gif:", 501, plain},
};

bool haveConvert() {
    return system("convert -version >/dev/null 2>&1") == 0;
}

Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The same file without its global colour table: the screen descriptor's
// table flag cleared and the table's bytes removed.
Bytes withoutGlobalTable(const Bytes& gif) {
    const size_t packedAt = 10;
    if (gif.size() <= 13 || !(gif[packedAt] & 0x80)) return gif;
    const size_t tableBytes = 3 * (2u << (gif[packedAt] & 7));
    Bytes stripped(gif.begin(), gif.begin() + 13);
    stripped[packedAt] &= 0x78;
    stripped.insert(stripped.end(), gif.begin() + 13 + (ptrdiff_t)tableBytes, gif.end());
    return stripped;
}

void expectFeatures(const EncoderCase& c, const ReferenceAnimation& reference) {
    ASSERT_TRUE(reference.ok) << c.name << ": " << reference.error;
    EXPECT_EQ(reference.frames.size(), c.wantFrames) << c.name;
    int have = plain;
    for (const ReferenceFrame& frame : reference.frames) {
        if (frame.interlaced) have |= interlacedFrame;
        if (frame.localTable) have |= localTable;
        if (frame.transparentIndex >= 0) have |= transparency;
        if (frame.left != 0 || frame.top != 0) have |= offsetFrame;
    }
    EXPECT_EQ(have & c.features, c.features) << c.name << " lacks what it is named for";
}

struct TempDirectory {
    TempDirectory() {
        std::random_device random;
        path = std::filesystem::temp_directory_path() / ("morvix_crosscheck_" + std::to_string(random()));
        std::filesystem::create_directories(path);
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

TEST(GiflibCrossCheck, FilesWrittenByImageMagick) {
    if (!haveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDirectory directory;
    int number = 0;
    for (const EncoderCase& c : encoderCases) {
        const std::filesystem::path file = directory.path / ("case" + std::to_string(number++) + ".gif");
        const std::string command =
            std::string("convert ") + c.arguments + " " + c.outputType + "'" + file.string() + "'";
        ASSERT_EQ(system(command.c_str()), 0) << c.name << ": " << command;
        const Bytes gif = readBytes(file);
        ASSERT_GT(gif.size(), 13u) << c.name;
        expectFeatures(c, referenceFrom(gif));
        expectSameAsGiflib(c.name, gif);
        expectSameAsGiflib(std::string(c.name) + " without its global table", withoutGlobalTable(gif));
    }
}

}  // namespace
