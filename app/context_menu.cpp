// The rows of the context menu for the present state.
#include "app/context_menu.h"

#include "files/neighbours.h"
#include "gif/gif.h"

namespace {

// Virtual-key codes of the commands; the window procedure switches on the
// same numbers.
enum : uint32_t {
    keyLeft = 37,
    keyUp = 38,
    keyRight = 39,
    keyDown = 40,
    keyN = 78,
    keyO = 79,
    keyP = 80,
    keyR = 82,
    keyS = 83,
    keyV = 86,
    keyX = 88,
    keyOemPlus = 187,
    keyOemMinus = 189,
};

const uint32_t slowestSpeed = 13;
const uint32_t smallestZoom = 7;

struct RowList {
    MenuRow* rows;
    uint32_t count;
};

void add(RowList* list, uint32_t identifier, const char16_t* text, bool greyed) {
    list->rows[list->count++] = MenuRow{identifier, text, greyed ? 1u : 0u};
}

void addSeparator(RowList* list) { list->rows[list->count++] = MenuRow{0, nullptr, 0}; }

void addFileRows(RowList* list, int32_t neighbours) {
    add(list, keyLeft, u"Pr&evious File\tLeft", (neighbours & hasPreviousFile) == 0);
    add(list, keyRight, u"Nex&t File\tRight", (neighbours & hasNextFile) == 0);
    addSeparator(list);
}

void addTransportRows(RowList* list, const ViewState* view) {
    // Stop cannot act only when the first frame is already still and forward.
    bool rewound = view->playing == 0 && view->currentFrame == 0 && view->reversed == 0;
    add(list, keyP, u"&Play/Pause\tP", false);
    add(list, keyR, u"Play &Reversed\tR", false);
    add(list, keyS, u"&Stop\tS", rewound);
    addSeparator(list);
    if (view->playing) {
        add(list, keyUp, u"Speed &Up\tUp", view->speedIndex == 0);
        add(list, keyDown, u"Speed &Down\tDn", view->speedIndex == (int32_t)slowestSpeed);
    } else {
        add(list, keyN, u"&Next Frame\tN", false);
        add(list, keyV, u"Pre&v Frame\tV", false);
    }
    addSeparator(list);
}

void addZoomRows(RowList* list, uint32_t zoomIndex) {
    add(list, keyOemPlus, u"Zoom &In\t+", zoomIndex == 0);
    add(list, keyOemMinus, u"Zoom O&ut\t\u2212", zoomIndex == smallestZoom);
    addSeparator(list);
}

}  // namespace

uint32_t contextMenuRows(MenuRow* rows, const ViewState* view, uint32_t zoomIndex, int32_t neighbours) {
    RowList list = {rows, 0};
    uint32_t frameCount = view->animation->frameCount;
    add(&list, keyO, u"&Open File...\tO", false);
    addSeparator(&list);
    if (frameCount >= 1) addFileRows(&list, neighbours);
    if (frameCount >= 2) addTransportRows(&list, view);
    if (frameCount >= 1) addZoomRows(&list, zoomIndex);
    add(&list, keyX, u"E&xit\tX", false);
    return list.count;
}
