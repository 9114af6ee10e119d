// morvix-frames: loads one GIF through the player's own decoder and
// compositor and prints what came out, one line per frame.
//
//   morvix-frames [--raw] [--background RRGGBB] [--out DIR] [--bench N]
//                 [--budget-mib N] FILE
//
// The raster budget is N MiB with --budget-mib, else the one the player has
// on 64-bit Windows for this file, so that results do not depend on the
// machine the tool runs on.
//
// --out DIR writes each composed frame to DIR/frame_NNNN.ppm, creating DIR
// when it is missing.
// Exit status: 0 loaded (result other than 5), 1 not loaded, 2 usage error
// or unwritable output.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#endif

#include <chrono>
#include <string>

#include "gif/gif.h"
#include "gif/raster_budget.h"
#include "render/compose.h"

namespace {

const uint32_t defaultBackground = 0xABABAB;

struct Options {
    bool raw = false;
    uint32_t background = defaultBackground;
    const char* outDir = nullptr;
    int benchRuns = 0;
    uint64_t budgetMib = 0;  // 0: the player's on 64-bit Windows
    std::u16string path;
};

uint64_t fnv1a64Rgb(const uint32_t* pixels, size_t count) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t rgb[3] = {(uint8_t)(pixels[i] >> 16), (uint8_t)(pixels[i] >> 8), (uint8_t)pixels[i]};
        for (uint8_t byte : rgb) {
            hash ^= byte;
            hash *= 0x100000001b3ull;
        }
    }
    return hash;
}

int writePpm(const char* dir, uint32_t index, const uint32_t* pixels, uint32_t width, uint32_t height) {
    char name[4096];
    snprintf(name, sizeof name, "%s/frame_%04u.ppm", dir, index);
    FILE* file = fopen(name, "wb");
    if (!file) return 0;
    fprintf(file, "P6\n%u %u\n255\n", width, height);
    std::string row((size_t)width * 3, '\0');
    bool ok = true;
    for (uint32_t y = 0; y < height && ok; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t p = pixels[(size_t)y * width + x];
            row[x * 3] = (char)(p >> 16);
            row[x * 3 + 1] = (char)(p >> 8);
            row[x * 3 + 2] = (char)p;
        }
        ok = fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return fclose(file) == 0 && ok;
}

// Decodes UTF-8 into UTF-16 (native argv). Invalid bytes pass through as
// Latin-1, which is enough for a file name to fail to open.
std::u16string fromUtf8(const char* text) {
    std::u16string out;
    for (const unsigned char* p = (const unsigned char*)text; *p;) {
        uint32_t c = *p++;
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (more) c &= 0x3F >> more;
        for (; more > 0 && (*p & 0xC0) == 0x80; --more) c = (c << 6) | (*p++ & 0x3F);
        if (c >= 0x10000) {
            out += (char16_t)(0xD800 + ((c - 0x10000) >> 10));
            out += (char16_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += (char16_t)c;
        }
    }
    return out;
}

int usage(const char* message) {
    fprintf(stderr, "morvix-frames: %s\n", message);
    fprintf(stderr,
            "usage: morvix-frames [--raw] [--background RRGGBB] [--out DIR] [--bench N] [--budget-mib N] FILE\n");
    return 2;
}

int parseBackground(const char* text, uint32_t* colour) {
    if (strlen(text) != 6) return 0;
    char* end = nullptr;
    unsigned long value = strtoul(text, &end, 16);
    if (*end != '\0') return 0;
    *colour = (uint32_t)value;
    return 1;
}

void setBudget(const Options& options, const ByteCursor& file) {
    RasterBudget budget = modelledPlayerBudget((uint64_t)file.size);
    if (options.budgetMib > 0) budget.bytes = options.budgetMib << 20;
    setRasterBudgetLimit(budget);
}

// One load as the player does it: decode, then compose unless raw.
int loadOnce(const ByteCursor* file, LzwEntry* dictionary, const Options& options, Animation* animation) {
    ByteCursor cursor = *file;
    setBudget(options, *file);
    if (!allocateFrameTable(animation)) return loadFailed;
    int result = parseGif(&cursor, dictionary, animation);
    if (result != loadFailed && !options.raw && !composeFrames(animation, options.background)) {
        result = loadFailed;
    }
    return result;
}

int bench(const Options& options, LzwEntry* dictionary) {
    ByteCursor file = {nullptr, 0, 0};
    if (!readWholeFile(options.path.c_str(), &file)) return 1;
    double best = 1e30;
    uint64_t pixels = 0;
    for (int run = 0; run < options.benchRuns; ++run) {
        Animation animation = {};
        auto start = std::chrono::steady_clock::now();
        loadOnce(&file, dictionary, options, &animation);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        pixels = (uint64_t)animation.width * animation.height * animation.frameCount;
        freeAnimation(&animation);
        if (ms < best) best = ms;
    }
    releaseFileBytes(&file);
    printf("load_ms_best %.3f mpix_per_s %.1f\n", best, best > 0 ? pixels / 1000.0 / best : 0.0);
    return 0;
}

int makeDirectory(const char* path) {
#ifdef _WIN32
    return _mkdir(path) == 0 || errno == EEXIST;
#else
    return mkdir(path, 0777) == 0 || errno == EEXIST;
#endif
}

// Creates DIR and the folders above it that are missing, as mkdir -p does.
int makeDirectories(const char* dir) {
    std::string path = dir;
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] != '/' && path[i] != '\\') continue;
        if (path[i - 1] == ':' || path[i - 1] == '/' || path[i - 1] == '\\') continue;  // drive or doubled
        if (!makeDirectory(path.substr(0, i).c_str())) return 0;
    }
    return makeDirectory(path.c_str());
}

int printFrames(const Options& options, const Animation& animation) {
    if (options.outDir && !makeDirectories(options.outDir)) {
        fprintf(stderr, "morvix-frames: cannot create %s\n", options.outDir);
        return 2;
    }
    uint64_t hash = 0;
    for (uint32_t i = 0; i < animation.frameCount; ++i) {
        const FrameRecord& f = animation.frames[i];
        uint32_t w = options.raw ? f.width : animation.width;
        uint32_t h = options.raw ? f.height : animation.height;
        const uint32_t* pixels = f.bitmap ? rasterPixels(f.bitmap) : nullptr;
        // A picture shared with the frame before has that frame's hash.
        if (i == 0 || f.bitmap != animation.frames[i - 1].bitmap) {
            hash = pixels ? fnv1a64Rgb(pixels, (size_t)w * h) : fnv1a64Rgb(nullptr, 0);
        }
        printf("frame %u left %u top %u width %u height %u delay %u disposal %u key %08x fnv %016llx\n", i, f.left,
               f.top, f.width, f.height, f.delayMs, f.disposal, f.transparencyKey, (unsigned long long)hash);
        if (options.outDir && pixels && !writePpm(options.outDir, i, pixels, w, h)) {
            fprintf(stderr, "morvix-frames: cannot write to %s\n", options.outDir);
            return 2;
        }
    }
    return 0;
}

int run(const Options& options) {
    LzwEntry* dictionary = (LzwEntry*)calloc(lzwTableEntries, sizeof(LzwEntry));
    if (!dictionary) return 1;
    if (options.benchRuns > 0) {
        int status = bench(options, dictionary);
        free(dictionary);
        return status;
    }
    Animation animation = {};
    int result = loadFailed;
    ByteCursor file = {nullptr, 0, 0};
    if (readWholeFile(options.path.c_str(), &file)) {
        result = loadOnce(&file, dictionary, options, &animation);
        releaseFileBytes(&file);
    }
    printf("result %d width %u height %u frames %u loops %u", result, animation.width, animation.height,
           animation.frameCount, animation.loopCount);
    // Only a load that memory cut says how many images the file holds, so
    // that the first line of a whole file stays as it always was.
    if (animation.imagesInFile > animation.frameCount) printf(" images %u", animation.imagesInFile);
    printf("\n");
    int status = result == loadFailed ? 1 : printFrames(options, animation);
    fflush(stdout);
    freeAnimation(&animation);
    free(dictionary);
    return status;
}

int parseArguments(int argc, char** argv, const char16_t* const* widePaths, Options* options) {
    bool havePath = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        bool hasValue = i + 1 < argc;
        if (strcmp(a, "--raw") == 0) {
            options->raw = true;
        } else if (strcmp(a, "--background") == 0 && hasValue) {
            if (!parseBackground(argv[++i], &options->background)) return usage("--background takes RRGGBB");
        } else if (strcmp(a, "--out") == 0 && hasValue) {
            options->outDir = argv[++i];
        } else if (strcmp(a, "--budget-mib") == 0 && hasValue) {
            long long mib = atoll(argv[++i]);
            if (mib <= 0 || mib > (1ll << 40)) return usage("--budget-mib takes a positive count of MiB");
            options->budgetMib = (uint64_t)mib;
        } else if (strcmp(a, "--bench") == 0 && hasValue) {
            options->benchRuns = atoi(argv[++i]);
            if (options->benchRuns <= 0) return usage("--bench takes a positive count");
        } else if (a[0] == '-' && a[1] == '-') {
            return usage("unknown option");
        } else if (!havePath) {
            options->path = widePaths ? std::u16string(widePaths[i]) : fromUtf8(a);
            havePath = true;
        } else {
            return usage("only one file");
        }
    }
    if (!havePath) return usage("no file given");
    return 0;
}

}  // namespace

#ifdef _WIN32
#include <wchar.h>

#include <vector>
int wmain(int argc, wchar_t** wargv) {
    // Options are ASCII; the file name keeps its UTF-16 form.
    std::vector<std::string> narrow(argc);
    std::vector<char*> argv(argc);
    for (int i = 0; i < argc; ++i) {
        for (const wchar_t* p = wargv[i]; *p; ++p) narrow[i] += (char)(*p < 128 ? *p : '?');
        argv[i] = &narrow[i][0];
    }
    Options options;
    int status = parseArguments(argc, argv.data(), (const char16_t* const*)wargv, &options);
    return status ? status : run(options);
}
#else
int main(int argc, char** argv) {
    Options options;
    int status = parseArguments(argc, argv, nullptr, &options);
    return status ? status : run(options);
}
#endif
