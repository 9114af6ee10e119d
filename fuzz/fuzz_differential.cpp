// libFuzzer target: every GIF that an independent reader reads shows the
// same frames in the player.
//
// Each input is read twice: by the player's loader and compositor, and by
// giflib record by record plus the reference compositor of the tests
// (tests/giflib_reference*), which shares no code with the player. The
// screen size, the frame count, the loop count, every delay after the
// player's normalisation, every disposal, every frame's own raster and every
// pixel of every composed frame must be equal; otherwise the target aborts
// with a one-line description of the first difference. Where giflib stops
// early, the frames of the images it completed are compared. The input is
// then loaded once more under a budget that cuts the load: the frames kept
// must be the first frames of the uncut load.
//
// An input that starts with "GIF" is taken as it stands (raw byte
// mutation); any other input is a recipe for the generator (gif_generator.h),
// and the custom mutator now and then turns a recipe into the GIF it makes,
// so that raw mutation starts from deep shapes too. MORVIX_DIFF_GIF=FILE
// writes each input's GIF there, to turn a recipe that found something into
// a regression file.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzz/gif_generator.h"
#include "fuzz/player_walk.h"
#include "gif/gif.h"
#include "gif/raster_budget.h"
#include "render/compose.h"
#include "tests/giflib_reference.h"
#include "tests/reference_difference.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

const uint32_t background = 0xABABAB;
// Ample for nearly every generated file (screens and images below 2^15
// pixels, at most 48 blocks): an uncut load is one the budget did not cut.
// Larger files are cut, and compared only with their cut loads.
// MORVIX_DIFF_BUDGET_MIB sets another, for replaying large real files.
RasterBudget uncutBudget = {8ull << 20, 1000};
// The largest image the reference decodes; the budget keeps the player's
// below it.
const uint64_t referencePixels = 64ull << 20;
// The most pixels of composed frames the reference composes for one input:
// a quarter of the budget's bytes. The player shares the picture of a frame
// that changes nothing, so it holds many more frames of a large screen
// within its budget than the reference, which keeps every picture, composes
// in a reasonable time.
uint64_t referenceComposedPixels() {
    return uncutBudget.bytes / 4;
}

LzwEntry dictionary[lzwTableEntries];

// ---- tallies, printed when the process ends -----------------------------------

// compared: the frame count, the loop count and every delay (whole), or the
// frames before giflib's stop or a known difference (in part), with every
// pixel of them; recordsOnly: the same without the composed pictures, too
// large for the reference.
struct Tallies {
    uint64_t inputs, recipes, comparedWhole, comparedInPart, recipesCompared, recordsOnly, notCompared, cutByBudget,
        referenceTooLarge, cutLoads;
};
Tallies tallies;

// ---- where the player's rules knowingly differ from giflib's reading ----------
//
// Each class is a narrow predicate over the player's walk; where it holds,
// the input is compared only up to the image where it applies (0: not at
// all), and its hit is counted.

struct KnownDifference {
    const char* name;
    // The number of leading frames still compared, or noImage.
    uint32_t (*firstFrameOut)(const PlayerWalk& walk, const Bytes& gif);
    uint64_t hits;
};

uint32_t firstImageWhere(const PlayerWalk& walk, bool (*holds)(const WalkedImage&)) {
    for (size_t i = 0; i < walk.images.size(); ++i) {
        if (holds(walk.images[i])) return (uint32_t)i;
    }
    return noImage;
}

KnownDifference knownDifferences[] = {
    // The player shows only "GIF87a" and "GIF89a"; giflib reads "GIF" and any
    // three bytes.
    {"other-signature",
     [](const PlayerWalk& walk, const Bytes& gif) {
         return !walk.signatureShown && gif.size() >= 3 && memcmp(gif.data(), "GIF", 3) == 0 ? 0 : noImage;
     }},
    // The player refuses a screen of width or height 0; giflib reads it.
    {"empty-screen",
     [](const PlayerWalk& walk, const Bytes&) {
         return walk.signatureShown && (walk.width == 0 || walk.height == 0) ? 0 : noImage;
     }},
    // An image with a side of 0 fails the player's image step and, as a
    // rule, the whole load (result 5); giflib reads it as an empty image.
    {"image-side-0",
     [](const PlayerWalk& walk, const Bytes&) {
         return firstImageWhere(walk, [](const WalkedImage& i) { return i.width == 0 || i.height == 0; }) == noImage
                    ? noImage
                    : 0;
     }},
    // Below the format's minimum of 2 the player's codes keep their first
    // size: its entries start above the largest code that size names, and
    // the size grows only when an entry reaches it. giflib widens them at
    // once.
    {"code-size-below-2",
     [](const PlayerWalk& walk, const Bytes&) {
         return firstImageWhere(walk, [](const WalkedImage& i) { return i.minCodeSize < 2; });
     }},
    // A string that crosses the end of the raster: the player writes none of
    // it, giflib writes what fits.
    {"string-crosses-raster-end",
     [](const PlayerWalk& walk, const Bytes&) {
         return firstImageWhere(walk, [](const WalkedImage& i) { return i.crossesEnd; });
     }},
    // A code above the entry the next code would define names nothing: the
    // player ends the image there as bad data (result 3); giflib makes a
    // string up from the code before and decodes on.
    {"code-names-no-entry",
     [](const PlayerWalk& walk, const Bytes&) {
         return firstImageWhere(walk, [](const WalkedImage& i) { return i.namesNoEntry; });
     }},
};

// The frames compared: every frame, or those before the first known
// difference.
uint32_t framesCompared(const PlayerWalk& walk, const Bytes& gif) {
    uint32_t compared = everyFrame;
    for (KnownDifference& known : knownDifferences) {
        uint32_t out = known.firstFrameOut(walk, gif);
        if (out == noImage) continue;
        known.hits += 1;
        compared = out < compared ? out : compared;
    }
    return compared;
}

double percent(uint64_t part, uint64_t whole) {
    return whole ? 100.0 * (double)part / (double)whole : 0.0;
}

void printTallies() {
    const Tallies& t = tallies;
    const uint64_t compared = t.comparedWhole + t.comparedInPart;
    fprintf(stderr,
            "differential: inputs %llu, compared %llu (%.1f%%): whole %llu, in part %llu; of %llu recipes %llu "
            "(%.1f%%); records only %llu; not compared %llu; cut by the budget %llu; reference too large %llu; cut "
            "loads checked %llu\n",
            (unsigned long long)t.inputs, (unsigned long long)compared, percent(compared, t.inputs),
            (unsigned long long)t.comparedWhole, (unsigned long long)t.comparedInPart, (unsigned long long)t.recipes,
            (unsigned long long)t.recipesCompared, percent(t.recipesCompared, t.recipes),
            (unsigned long long)t.recordsOnly, (unsigned long long)t.notCompared, (unsigned long long)t.cutByBudget,
            (unsigned long long)t.referenceTooLarge, (unsigned long long)t.cutLoads);
    std::string line = "differential: known";
    for (const KnownDifference& known : knownDifferences) {
        line += " " + std::string(known.name) + " " + std::to_string(known.hits);
    }
    fprintf(stderr, "%s\n", line.c_str());
}

// ---- reporting a difference ----------------------------------------------------

void check(const std::string& difference) {
    if (difference.empty()) return;
    fprintf(stderr, "fuzz_differential: %s\n", difference.c_str());
    abort();
}

// ---- the player ------------------------------------------------------------------

struct PlayerLoad {
    int result;
    Animation animation;
    uint32_t loaded;  // frames when the loader returned
    bool composed;    // compositing kept every frame
};

void load(const Bytes& gif, PlayerLoad* load) {
    load->animation = Animation();
    load->composed = false;
    load->loaded = 0;
    load->result = loadFailed;
    if (!allocateFrameTable(&load->animation)) abort();
    // A copy of exactly the file's size, so that a read past it is caught.
    uint8_t* bytes = (uint8_t*)malloc(gif.size());
    memcpy(bytes, gif.data(), gif.size());
    ByteCursor cursor = {bytes, 0, (int32_t)gif.size()};
    load->result = parseGif(&cursor, dictionary, &load->animation);
    free(bytes);
    load->loaded = load->animation.frameCount;
}

bool compose(PlayerLoad* load) {
    if (load->result == loadFailed) return true;
    int ok = composeFrames(&load->animation, background);
    load->composed = ok && load->animation.frameCount == load->loaded;
    if (!ok) load->result = loadFailed;
    return load->composed;
}

uint32_t framesShown(const PlayerLoad& load) {
    return load.result == loadFailed ? 0 : load.animation.frameCount;
}

// ---- the same input under a budget that cuts the load ---------------------------

uint32_t hashOf(const Bytes& gif) {
    uint32_t hash = 2166136261u;
    for (uint8_t byte : gif) hash = (hash ^ byte) * 16777619u;
    return hash;
}

// A budget on top of what the uncut load holds: a number of rasters, or of
// bytes, that falls short of what the uncut load took.
RasterBudget cuttingBudget(const Bytes& gif, const PlayerLoad& uncut) {
    const uint32_t hash = hashOf(gif);
    const RasterBudget inUse = rasterBudgetInUse();
    const uint64_t picture = (uint64_t)uncut.animation.width * uncut.animation.height * 4;
    if (hash & 1) return {uncutBudget.bytes + inUse.bytes, inUse.count + 1 + (hash >> 1) % uncut.loaded};
    return {inUse.bytes + (hash >> 1) % (picture * uncut.loaded + 1), uncutBudget.count + inUse.count};
}

bool everyImageDecoded(const PlayerWalk& walk) {
    for (const WalkedImage& image : walk.images) {
        if (!image.decoded) return false;
    }
    return true;
}

void compareCutLoad(const Bytes& gif, const PlayerLoad& uncut, const PlayerWalk& walk) {
    setRasterBudgetLimit(cuttingBudget(gif, uncut));
    PlayerLoad cut;
    load(gif, &cut);
    compose(&cut);
    setRasterBudgetLimit(uncutBudget);
    tallies.cutLoads += 1;
    const uint32_t kept = framesShown(cut);
    const Animation& a = cut.animation;
    const Animation& whole = uncut.animation;
    if (kept > whole.frameCount) {
        check(valueDifference("cut load: frames kept (at most)", kept, whole.frameCount, "cut", "uncut"));
    }
    // Where every image decodes, the images behind the cut are the uncut
    // load's last frames: the count of images in the file, and the delays,
    // normalised over the whole file, are the uncut load's.
    const bool decoded = everyImageDecoded(walk);
    if (decoded) {
        check(valueDifference("cut load: images in the file", a.imagesInFile, whole.frameCount, "cut", "uncut"));
    }
    for (uint32_t i = 0; i < kept; ++i) {
        const std::string where = "cut load: frame " + std::to_string(i);
        if (decoded) {
            check(valueDifference(where + " delay", a.frames[i].delayMs, whole.frames[i].delayMs, "cut", "uncut"));
        }
        check(valueDifference(where + " disposal", a.frames[i].disposal, whole.frames[i].disposal, "cut", "uncut"));
        // A picture both loads share with the frame before was compared there.
        if (i > 0 && a.frames[i].bitmap == a.frames[i - 1].bitmap &&
            whole.frames[i].bitmap == whole.frames[i - 1].bitmap) {
            continue;
        }
        check(pixelDifference(where + " composed", rasterPixels(a.frames[i].bitmap),
                              rasterPixels(whole.frames[i].bitmap), a.width, a.height, "cut", "uncut"));
    }
    freeAnimation(&cut.animation);
}

void writeInputGif(const Bytes& gif) {
    const char* path = getenv("MORVIX_DIFF_GIF");
    if (!path) return;
    FILE* file = fopen(path, "wb");
    if (file) {
        fwrite(gif.data(), 1, gif.size(), file);
        fclose(file);
    }
}

bool isRaw(const uint8_t* data, size_t size) {
    return size >= 3 && memcmp(data, "GIF", 3) == 0;
}

void tallyComparison(const ComparisonPlan& plan, bool pictures, bool recipe) {
    if (!plan.whole && plan.frames == 0) {
        tallies.notCompared += 1;
    } else if (!pictures) {
        tallies.recordsOnly += 1;
    } else {
        tallies.comparedWhole += plan.whole ? 1 : 0;
        tallies.comparedInPart += plan.whole ? 0 : 1;
        tallies.recipesCompared += recipe ? 1 : 0;
    }
}

void compareWithReference(const Bytes& gif, PlayerLoad* player, uint32_t framesAllowed, bool recipe) {
    const ReferenceAnimation reference = referenceFrom(gif, referencePixels);
    if (reference.stop == giflibTooLarge) {
        tallies.referenceTooLarge += 1;
        return;
    }
    const ComparisonPlan plan = comparisonPlan(reference, framesAllowed);
    check(recordDifference(player->animation, player->result, reference, plan));
    if (!compose(player)) {
        tallies.cutByBudget += 1;
        return;
    }
    // The reference keeps every picture; those of a large screen with many
    // frames are not composed.
    const Animation& a = player->animation;
    const bool pictures = (uint64_t)a.width * a.height * plan.frames <= referenceComposedPixels();
    if (pictures) check(pictureDifference(a, reference, plan, background));
    tallyComparison(plan, pictures, recipe);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* mib = getenv("MORVIX_DIFF_BUDGET_MIB")) uncutBudget.bytes = strtoull(mib, nullptr, 10) << 20;
    setRasterBudgetLimit(uncutBudget);
    atexit(printTallies);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
    if (!isRaw(data, size) && seed % 16 == 0) {
        const Bytes gif = generateGif(data, size);
        if (gif.size() <= maxSize && isRaw(gif.data(), gif.size())) {
            memcpy(data, gif.data(), gif.size());
            return gif.size();
        }
    }
    return LLVMFuzzerMutate(data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool raw = isRaw(data, size);
    const Bytes gif = raw ? Bytes(data, data + size) : generateGif(data, size);
    tallies.inputs += 1;
    tallies.recipes += raw ? 0 : 1;
    writeInputGif(gif);
    if (gif.empty()) return 0;

    const PlayerWalk walk = walkAsThePlayer(gif);
    const uint32_t framesAllowed = framesCompared(walk, gif);
    PlayerLoad uncut;
    load(gif, &uncut);
    const bool cutByLoader = uncut.animation.imagesInFile > uncut.animation.frameCount;
    if (cutByLoader) {
        tallies.cutByBudget += 1;
        compose(&uncut);
    } else if (framesAllowed == 0) {
        tallies.notCompared += 1;
        compose(&uncut);
    } else {
        compareWithReference(gif, &uncut, framesAllowed, !raw);
    }
    if (!cutByLoader && uncut.composed && uncut.loaded > 0) compareCutLoad(gif, uncut, walk);
    freeAnimation(&uncut.animation);
    const RasterBudget left = rasterBudgetInUse();
    if (left.count != 0 || left.bytes != 0) check("rasters outlive their documents");
    return 0;
}
