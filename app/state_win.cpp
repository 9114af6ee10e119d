#include "app/state_win.h"

#include "about/about_text.h"

// Zero-filled at process start except for the constant tables and the
// About text.
AppState appState = {speedLabels, zoomLabels, asWide(aboutText)};
