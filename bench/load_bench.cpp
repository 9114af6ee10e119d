// load_bench: how fast Morvix turns GIF bytes in memory into composed
// full-canvas frames, beside giflib + a plain compositor and stb_image.
//
//   load_bench [--runs N] [--no-memory] [--no-stb] FILE...   the table (Markdown)
//   load_bench --peak DECODER FILE                one load; prints its peak memory
//   load_bench --once DECODER FILE                one load, for callgrind
//
// DECODER is morvix, giflib or stb. Every file is read into memory once;
// a load is timed from those bytes to the last composed frame, and its
// output is released outside the timing. Each decoder's best of N runs
// counts; the decoders take turns inside every run, so a busy machine slows
// them alike. --no-stb leaves stb_image out (under Wine its realloc growth
// through the Windows C runtime takes minutes per file).
//
// Peak memory is measured in a fresh process per decoder and file (the
// --peak mode, started by the table mode): the high-water mark of the
// resident set after one load minus the resident set just before it, plus
// the file's bytes, which a real load also holds. A fresh process keeps
// earlier loads' freed-but-cached memory out of the figure.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench/bench_platform.h"
#include "bench/peer_decoders.h"
#include "gif/gif.h"
#include "render/compose.h"

namespace {

const uint32_t background = 0xABABAB;
const double mebibyte = 1024.0 * 1024.0;

enum DecoderId { decoderMorvix, decoderGiflib, decoderStb, decoderCount };
const char* const decoderNames[decoderCount] = {"morvix", "giflib", "stb"};
bool decoderOn[decoderCount] = {true, true, true};

struct FileBytes {
    std::string path;
    std::vector<uint8_t> bytes;
};

// What one load produced, kept until released so that all of it is live at
// the end of the load, as in the player.
struct Loaded {
    uint64_t pixels;  // composed output pixels: canvas area times frames
    Animation animation;
    GiflibFrames giflib;
    StbFrames stb;
};

struct Figures {
    double bestMs[decoderCount];
    uint64_t pixels[decoderCount];
    double peakBytes[decoderCount];  // < 0 when not measured
    double floorMs;                  // fresh memory for the composed frames, written once
};

// One exact-size read: a growing buffer would free large blocks on the way.
int readFile(const std::string& path, FileBytes* file) {
    FILE* stream = fopen(path.c_str(), "rb");
    if (!stream) return 0;
    file->path = path;
    long size = -1;
    if (fseek(stream, 0, SEEK_END) == 0) size = ftell(stream);
    int ok = size > 0 && fseek(stream, 0, SEEK_SET) == 0;
    if (ok) {
        file->bytes.resize((size_t)size);
        ok = fread(file->bytes.data(), 1, (size_t)size, stream) == (size_t)size;
    }
    fclose(stream);
    return ok;
}

int loadWithMorvix(const FileBytes& file, LzwEntry* dictionary, Animation* animation) {
    *animation = Animation{};
    if (!allocateFrameTable(animation)) return 0;
    ByteCursor cursor = {file.bytes.data(), 0, (int32_t)file.bytes.size()};
    int result = parseGif(&cursor, dictionary, animation);
    return result != loadFailed && composeFrames(animation, background);
}

// The one timed (and, under callgrind, counted) step. Kept out of line so
// that callgrind --toggle-collect can name it.
__attribute__((noinline)) int benchLoad(DecoderId decoder, const FileBytes& file, LzwEntry* dictionary,
                                        Loaded* out) {
    const uint8_t* data = file.bytes.data();
    size_t size = file.bytes.size();
    int ok = 0;
    switch (decoder) {
        case decoderMorvix:
            ok = loadWithMorvix(file, dictionary, &out->animation);
            out->pixels = (uint64_t)out->animation.width * out->animation.height * out->animation.frameCount;
            break;
        case decoderGiflib:
            ok = loadWithGiflib(data, size, background, &out->giflib);
            out->pixels = (uint64_t)out->giflib.width * out->giflib.height * out->giflib.count;
            break;
        case decoderStb:
            ok = loadWithStb(data, size, &out->stb);
            out->pixels = (uint64_t)out->stb.width * out->stb.height * out->stb.count;
            break;
        default:
            break;
    }
    return ok;
}

void release(DecoderId decoder, Loaded* loaded) {
    if (decoder == decoderMorvix) freeAnimation(&loaded->animation);
    if (decoder == decoderGiflib) releaseGiflibFrames(&loaded->giflib);
    if (decoder == decoderStb) releaseStbFrames(&loaded->stb);
}

// Times one load; returns milliseconds, or -1 when the load failed.
double timeLoad(DecoderId decoder, const FileBytes& file, LzwEntry* dictionary, uint64_t* pixels) {
    Loaded loaded = {};
    auto start = std::chrono::steady_clock::now();
    int ok = benchLoad(decoder, file, dictionary, &loaded);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    *pixels = loaded.pixels;
    release(decoder, &loaded);
    return ok ? ms : -1;
}

// The least that any load which keeps every composed frame can cost: the
// frames' memory, fresh from the system, written once (page faults and the
// system's zeroing included). Returns milliseconds.
double timeFreshMemory(uint64_t frames, uint64_t frameBytes) {
    std::vector<void*> blocks;
    blocks.reserve((size_t)frames);
    auto start = std::chrono::steady_clock::now();
    for (uint64_t f = 0; f < frames; ++f) {
        void* block = malloc((size_t)frameBytes);
        if (!block) break;
        memset(block, 0xAB, (size_t)frameBytes);
        blocks.push_back(block);
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (void* block : blocks) free(block);
    return ms;
}

int decoderByName(const char* name) {
    for (int d = 0; d < decoderCount; ++d) {
        if (strcmp(name, decoderNames[d]) == 0) return d;
    }
    return -1;
}

// Runs "--peak DECODER FILE" in a fresh process and reads its figure.
double measurePeakInChild(DecoderId decoder, const std::string& path) {
    std::string command = quoteArgument(selfPath()) + " --peak " + decoderNames[decoder] + " " + quoteArgument(path);
    FILE* child = openCommand(command);
    if (!child) return -1;
    double peak = -1;
    char line[256];
    while (fgets(line, sizeof line, child)) {
        double value = 0;
        if (sscanf(line, "peak_bytes %lf", &value) == 1) peak = value;
    }
    if (closeCommand(child) != 0) return -1;
    return peak;
}

uint64_t canvasBytes(const FileBytes& file) {
    // Logical screen width and height, bytes 6 to 9.
    const std::vector<uint8_t>& b = file.bytes;
    if (b.size() < 10) return 0;
    return (uint64_t)(b[6] + 256u * b[7]) * (b[8] + 256u * b[9]) * 4;
}

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void printSpeedRow(const char* name, double mpix, double mb, const double* ms) {
    printf("| %s | %.1f | %.1f |", name, mpix, mb);
    for (int d = 0; d < decoderCount; ++d) {
        if (!decoderOn[d]) {
            printf(" - | - | - |");
            continue;
        }
        printf(" %.1f | %.0f | %.0f |", ms[d], ms[d] > 0 ? mpix * 1000 / ms[d] : 0, ms[d] > 0 ? mb * 1000 / ms[d] : 0);
    }
    for (int d = decoderGiflib; d < decoderCount; ++d) {
        if (decoderOn[d]) {
            printf(" %.2f |", ms[decoderMorvix] > 0 ? ms[d] / ms[decoderMorvix] : 0);
        } else {
            printf(" - |");
        }
    }
    printf("\n");
}

void printTables(const std::vector<FileBytes>& files, const std::vector<Figures>& figures, int runs, bool memory) {
    printf("Load: file bytes in memory to every frame composed; best of %d runs.\n\n", runs);
    printf("| file | Mpix out | MB in | Morvix ms | Mpix/s | MB/s | giflib ms | Mpix/s | MB/s | stb ms | Mpix/s | MB/s |"
           " Morvix/giflib | Morvix/stb |\n");
    printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    double totalMs[decoderCount] = {0, 0, 0};
    double totalMpix = 0, totalMb = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        double mpix = figures[i].pixels[decoderMorvix] / 1e6;
        double mb = files[i].bytes.size() / 1e6;
        printSpeedRow(baseName(files[i].path).c_str(), mpix, mb, figures[i].bestMs);
        totalMpix += mpix;
        totalMb += mb;
        for (int d = 0; d < decoderCount; ++d) totalMs[d] += figures[i].bestMs[d];
    }
    printSpeedRow("**total**", totalMpix, totalMb, totalMs);

    printf("\nWhat fresh memory costs: the composed frames' memory allocated and written once (floor), best of\n"
           "%d runs; every decoder here pays it. giflib / floor is the most that any such load could reach\n"
           "against giflib on this machine.\n\n",
           runs);
    printf("| file | floor ms | Morvix above floor ms | giflib above floor ms | giflib / floor |\n");
    printf("|---|---:|---:|---:|---:|\n");
    double totalFloor = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        const Figures& f = figures[i];
        totalFloor += f.floorMs;
        printf("| %s | %.1f | %.1f | %.1f | %.2f |\n", baseName(files[i].path).c_str(), f.floorMs,
               f.bestMs[decoderMorvix] - f.floorMs, f.bestMs[decoderGiflib] - f.floorMs,
               f.floorMs > 0 ? f.bestMs[decoderGiflib] / f.floorMs : 0);
    }
    printf("| **total** | %.1f | %.1f | %.1f | %.2f |\n", totalFloor, totalMs[decoderMorvix] - totalFloor,
           totalMs[decoderGiflib] - totalFloor, totalFloor > 0 ? totalMs[decoderGiflib] / totalFloor : 0);
    if (!memory) return;

    printf("\nPeak memory of one load in a fresh process, MiB (resident high-water mark minus the resident set\n"
           "before the load, plus the file). Bound: composed frames + file + 2 canvases + 8 MiB.\n\n");
    printf("| file | composed | bound | Morvix | giflib | stb | Morvix within bound |\n");
    printf("|---|---:|---:|---:|---:|---:|---|\n");
    for (size_t i = 0; i < files.size(); ++i) {
        double composed = figures[i].pixels[decoderMorvix] * 4.0;
        double bound = composed + files[i].bytes.size() + 2.0 * canvasBytes(files[i]) + 8 * mebibyte;
        const double* peak = figures[i].peakBytes;
        printf("| %s | %.1f | %.1f |", baseName(files[i].path).c_str(), composed / mebibyte, bound / mebibyte);
        for (int d = 0; d < decoderCount; ++d) {
            if (peak[d] < 0) {
                printf(" - |");
            } else {
                printf(" %.1f |", peak[d] / mebibyte);
            }
        }
        printf(" %s |\n", peak[decoderMorvix] >= 0 && peak[decoderMorvix] <= bound ? "yes" : "NO");
    }
}

int runTable(const std::vector<std::string>& paths, int runs, bool memory, LzwEntry* dictionary) {
    std::vector<FileBytes> files(paths.size());
    std::vector<Figures> figures(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!readFile(paths[i], &files[i])) {
            fprintf(stderr, "load_bench: cannot read %s\n", paths[i].c_str());
            return 1;
        }
        for (int d = 0; d < decoderCount; ++d) {
            figures[i].bestMs[d] = 1e30;
            figures[i].peakBytes[d] = -1;
        }
        figures[i].floorMs = 1e30;
    }
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i < files.size(); ++i) {
            for (int d = 0; d < decoderCount; ++d) {
                if (!decoderOn[d]) continue;
                uint64_t pixels = 0;
                double ms = timeLoad((DecoderId)d, files[i], dictionary, &pixels);
                if (ms < 0) {
                    fprintf(stderr, "load_bench: %s failed on %s\n", decoderNames[d], files[i].path.c_str());
                    return 1;
                }
                if (ms < figures[i].bestMs[d]) figures[i].bestMs[d] = ms;
                figures[i].pixels[d] = pixels;
            }
            uint64_t frameBytes = canvasBytes(files[i]);
            if (frameBytes > 0) {
                double ms = timeFreshMemory(figures[i].pixels[decoderMorvix] * 4 / frameBytes, frameBytes);
                if (ms < figures[i].floorMs) figures[i].floorMs = ms;
            }
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        for (int d = decoderGiflib; d < decoderCount; ++d) {
            if (decoderOn[d] && figures[i].pixels[d] != figures[i].pixels[decoderMorvix]) {
                fprintf(stderr, "load_bench: %s and morvix disagree on the output size of %s\n", decoderNames[d],
                        files[i].path.c_str());
            }
        }
        for (int d = 0; memory && d < decoderCount; ++d) {
            if (decoderOn[d]) figures[i].peakBytes[d] = measurePeakInChild((DecoderId)d, files[i].path);
        }
    }
    printTables(files, figures, runs, memory);
    return 0;
}

// --peak and --once: one load of one file in this process.
int runSingle(bool peak, const char* decoderName, const char* path, LzwEntry* dictionary) {
    int decoder = decoderByName(decoderName);
    FileBytes file;
    if (decoder < 0 || !readFile(path, &file)) return 2;
    uint64_t before = residentBytes();
    Loaded loaded = {};
    int ok = benchLoad((DecoderId)decoder, file, dictionary, &loaded);
    uint64_t after = peakResidentBytes();
    if (peak) {
        printf("peak_bytes %.0f\n", (double)(after - before) + (double)file.bytes.size());
    } else {
        printf("pixels %llu\n", (unsigned long long)loaded.pixels);
    }
    release((DecoderId)decoder, &loaded);
    return ok ? 0 : 1;
}

int usage() {
    fprintf(stderr,
            "usage: load_bench [--runs N] [--no-memory] [--no-stb] FILE...\n"
            "       load_bench --peak|--once morvix|giflib|stb FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    useFreshMemoryForLargeBlocks();
    LzwEntry* dictionary = (LzwEntry*)calloc(lzwTableEntries, sizeof(LzwEntry));
    if (!dictionary) return 1;
    int status;
    if (argc == 4 && (strcmp(argv[1], "--peak") == 0 || strcmp(argv[1], "--once") == 0)) {
        status = runSingle(argv[1][2] == 'p', argv[2], argv[3], dictionary);
        if (status == 2) status = usage();
    } else {
        int runs = 5;
        bool memory = true;
        std::vector<std::string> paths;
        for (int i = 1; i < argc; ++i) {
            if (strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
                runs = atoi(argv[++i]);
            } else if (strcmp(argv[i], "--no-memory") == 0) {
                memory = false;
            } else if (strcmp(argv[i], "--no-stb") == 0) {
                decoderOn[decoderStb] = false;
            } else {
                paths.push_back(argv[i]);
            }
        }
        status = runs > 0 && !paths.empty() ? runTable(paths, runs, memory, dictionary) : usage();
    }
    free(dictionary);
    return status;
}
