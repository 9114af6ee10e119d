#include "app/state_win.h"

// Zero-filled at process start except for the constant tables. aboutText
// stays null until the About box brings its text.
AppState appState = {speedLabels, zoomLabels};
