// The load's user-interface hooks for programs without a window: the tools,
// the tests, the benchmark and the fuzzer. A library member of its own, so
// that a program defining the hooks itself never pulls it in.
#include "gif/gif_platform.h"

void showWaitCursor() {}

void firstFramePreview(Animation*) {}
