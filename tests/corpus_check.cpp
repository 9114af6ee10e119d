// The shared corpus through the built morvix-frames.
//
//   corpus_check MORVIX_FRAMES CORPUS_DIR
//
// good/: every file must load and match expected/<file>.txt line by line:
//   "<width> <height> <frameCount> <loopCount>", then per frame
//   "<delayMs> <disposal> <fnv1a64 of the composed canvas>".
// damaged/: every file must end with exit status 0 or 1 (loaded or not),
// within the time limit, and without a crash or a sanitizer report.
//
// Prints the name of every file that fails, and exits 1 if there is one.
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Generous: the largest good file loads in well under a second natively,
// sanitizers and a loaded machine make it ten to twenty times slower.
const int timeLimitSeconds = 60;

// Distinct from the tool's own 0 and 1, so that a sanitizer report can
// never pass for "not loaded". Added behind any options already set.
const char* const sanitizerOptions[][2] = {
    {"ASAN_OPTIONS", "exitcode=86"},
    {"UBSAN_OPTIONS", "exitcode=87:halt_on_error=1:print_stacktrace=1"},
};

// ctest counts this status as skipped.
const int skipped = 77;

void addSanitizerOptions() {
    for (const auto& option : sanitizerOptions) {
        const char* old = getenv(option[0]);
        std::string value = old && *old ? std::string(old) + ":" + option[1] : option[1];
        setenv(option[0], value.c_str(), 1);
    }
}

struct Run {
    int status;  // exit status, or 128 + signal
    std::string output;
};

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

Run runFrames(const std::string& tool, const std::string& file) {
    const std::string command =
        "timeout -k 5 " + std::to_string(timeLimitSeconds) + " " + quoted(tool) + " " + quoted(file);
    Run run = {-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

std::string describeStatus(int status) {
    if (status == 124 || status == 137) return "status " + std::to_string(status) + " (time limit)";
    if (status == 86 || status == 87) return "status " + std::to_string(status) + " (sanitizer report)";
    if (status > 128) return "status " + std::to_string(status) + " (signal " + std::to_string(status - 128) + ")";
    return "status " + std::to_string(status);
}

std::vector<std::string> gifsIn(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> linesOf(std::istream& in) {
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// morvix-frames' output in the expected file's form. Empty when the header
// line is missing.
std::vector<std::string> expectedForm(const std::string& output, int* result) {
    std::istringstream in(output);
    std::vector<std::string> lines = linesOf(in);
    std::vector<std::string> form;
    unsigned w, h, frames, loops, index, left, top, fw, fh, delay, disposal, key;
    char fnv[17] = {0};
    if (lines.empty() || sscanf(lines[0].c_str(), "result %d width %u height %u frames %u loops %u", result, &w, &h,
                                &frames, &loops) != 5) {
        return form;
    }
    form.push_back(std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(frames) + " " +
                   std::to_string(loops));
    for (size_t i = 1; i < lines.size(); ++i) {
        if (sscanf(lines[i].c_str(), "frame %u left %u top %u width %u height %u delay %u disposal %u key %x fnv %16s",
                   &index, &left, &top, &fw, &fh, &delay, &disposal, &key, fnv) != 9) {
            form.push_back("unreadable: " + lines[i]);
            continue;
        }
        form.push_back(std::to_string(delay) + " " + std::to_string(disposal) + " " + fnv);
    }
    return form;
}

// Empty when the file matches, else what differs.
std::string checkGood(const std::string& tool, const std::filesystem::path& corpus, const std::string& name) {
    std::ifstream expectedFile(corpus / "expected" / (name + ".txt"));
    if (!expectedFile) return "no expected file";
    const std::vector<std::string> want = linesOf(expectedFile);
    const Run run = runFrames(tool, (corpus / "good" / name).string());
    if (run.status != 0) return describeStatus(run.status) + ", want 0";
    int result = -1;
    const std::vector<std::string> have = expectedForm(run.output, &result);
    if (have.empty()) return "no result line";
    for (size_t i = 0; i < std::max(have.size(), want.size()); ++i) {
        const std::string h = i < have.size() ? have[i] : "(nothing)";
        const std::string w = i < want.size() ? want[i] : "(nothing)";
        if (h != w) return "line " + std::to_string(i + 1) + ": have \"" + h + "\", want \"" + w + "\"";
    }
    return "";
}

std::string checkDamaged(const std::string& tool, const std::filesystem::path& corpus, const std::string& name) {
    const Run run = runFrames(tool, (corpus / "damaged" / name).string());
    if (run.status != 0 && run.status != 1) return describeStatus(run.status) + ", want 0 or 1";
    int result = -1;
    if (expectedForm(run.output, &result).empty()) return "no result line";
    if (result < 0 || result > 5 || result == 4) return "result " + std::to_string(result);
    if ((result == 5) != (run.status == 1))
        return "result " + std::to_string(result) + " with " + describeStatus(run.status);
    return "";
}

int checkAll(const char* title, const std::string& tool, const std::filesystem::path& corpus, const char* part,
             std::string (*check)(const std::string&, const std::filesystem::path&, const std::string&)) {
    const std::vector<std::string> names = gifsIn(corpus / part);
    int failures = 0;
    for (const std::string& name : names) {
        const std::string problem = check(tool, corpus, name);
        if (problem.empty()) continue;
        ++failures;
        printf("MISMATCH %s/%s: %s\n", part, name.c_str(), problem.c_str());
    }
    printf("%s: %zu files, %d failing\n", title, names.size(), failures);
    return names.empty() ? 1 : failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: corpus_check MORVIX_FRAMES CORPUS_DIR\n");
        return 2;
    }
    addSanitizerOptions();
    const std::string tool = argv[1];
    const std::filesystem::path corpus = argv[2];
    if (!std::filesystem::is_directory(corpus / "good") || !std::filesystem::is_directory(corpus / "damaged")) {
        printf("corpus_check: no corpus at %s, skipped\n", argv[2]);
        return skipped;
    }
    int failures = checkAll("good", tool, corpus, "good", checkGood);
    failures += checkAll("damaged", tool, corpus, "damaged", checkDamaged);
    return failures == 0 ? 0 : 1;
}
