// The view and playback state of the one main window, shared by the UI
// thread and the playback worker.
#pragma once

#include <stdint.h>

struct Animation;

// Same layout as a Win32 RECT: right and bottom are exclusive.
struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Platform handles are opaque here; the Windows half casts them to HWND,
// HDC, HANDLE and HBRUSH.
struct ViewState {
    void* window;    // written at window creation
    void* windowDc;  // the window's own DC (CS_OWNDC); every screen draw goes here
    void* frameDc;   // memory DC holding the frame on show; UI thread and worker select into it
    void* stopEvent; // auto-reset; cuts a frame's wait short (stop request or speed change)
    int32_t originX;  // top-left of the scaled picture, client coordinates; UI thread (layout)
    int32_t originY;
    uint32_t scaledWidth;  // picture size at the current zoom; UI thread (zoom)
    uint32_t scaledHeight;
    uint32_t currentFrame;    // paused: frame on screen. Playing: the worker's start frame.
                              // The worker writes it once, at its end.
    uint32_t currentDelayMs;  // scaled delay of the frame on show; worker, under paintLock
    uint32_t reversed;        // 0 forward, 1 backward; UI thread
    volatile int32_t speedIndex;     // 0..13, 8 = normal; UI thread, interlocked
    volatile int32_t paintLock;      // spin lock word; both threads, interlocked
    volatile int32_t stopRequested;  // UI thread, interlocked
    volatile int32_t playing;        // UI thread sets before the worker exists; worker clears, interlocked
    void* backgroundBrush;  // COLOR_APPWORKSPACE brush: margins and disposed areas
    ViewRect leftMargin;    // the four client-area bands around the picture; UI thread (layout)
    ViewRect rightMargin;
    ViewRect topMargin;
    ViewRect bottomMargin;
    Animation* animation;  // always the one document record
};

// The spin lock on paintLock around every draw into the window: the
// worker's select-and-draw of a frame, the UI thread's paint and margin
// refill (paint_lock.cpp).
void takePaintLock(ViewState* view);
void releasePaintLock(ViewState* view);

// What the lock needs from the platform, chosen at link time: the player's
// in paint_win.cpp, the tests' in their playback platforms.
// Atomic exchange with a full barrier; returns the previous value.
int32_t exchange32(volatile int32_t* target, int32_t value);
// Gives up the rest of the time slice.
void yieldProcessor();
