/* xdnd-drop WINDOW X Y URI...
 *
 * Drops files on an X window the way a file manager does (XDND, the list as
 * text/uri-list), because xdotool cannot drag. Wine turns such a drop on a
 * window with WS_EX_ACCEPTFILES into a real WM_DROPFILES with Z:\ paths.
 * X and Y are relative to WINDOW.
 *
 * Exit status: 0 the drop finished (XdndFinished), 1 usage or no display,
 * 2 the window refused the drop, 3 no answer within 5 seconds.
 */
#include <X11/Xlib.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static Display *display;

static Atom atom(const char *name) { return XInternAtom(display, name, False); }

static void sendMessage(Window to, const char *type, long l0, long l1, long l2, long l3, long l4) {
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = to;
    e.xclient.format = 32;
    e.xclient.message_type = atom(type);
    e.xclient.data.l[0] = l0;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(display, to, False, 0, &e);
    XFlush(display);
}

/* The target asks for the list through the XdndSelection we own. */
static void answerSelection(const XSelectionRequestEvent *r, Atom uriList, const char *list) {
    XEvent n;
    memset(&n, 0, sizeof n);
    n.xselection.type = SelectionNotify;
    n.xselection.requestor = r->requestor;
    n.xselection.selection = r->selection;
    n.xselection.target = r->target;
    n.xselection.time = r->time;
    if (r->target == uriList) {
        XChangeProperty(display, r->requestor, r->property, uriList, 8, PropModeReplace,
                        (const unsigned char *)list, (int)strlen(list));
        n.xselection.property = r->property;
    }
    XSendEvent(display, r->requestor, False, 0, &n);
    XFlush(display);
}

int main(int argc, char **argv) {
    if (argc < 5 || !(display = XOpenDisplay(NULL))) return 1;
    Window target = strtoul(argv[1], NULL, 0), child;
    Window source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    char list[8192] = "";
    for (int i = 4; i < argc; i++) {
        if (strlen(list) + strlen(argv[i]) + 3 > sizeof list) return 1;
        strcat(list, argv[i]);
        strcat(list, "\r\n");
    }
    int rootX, rootY;
    XTranslateCoordinates(display, target, DefaultRootWindow(display), atoi(argv[2]), atoi(argv[3]), &rootX, &rootY,
                          &child);

    Atom uriList = atom("text/uri-list");
    XSetSelectionOwner(display, atom("XdndSelection"), source, CurrentTime);
    sendMessage(target, "XdndEnter", (long)source, 5L << 24, (long)uriList, 0, 0); /* protocol version 5 */
    sendMessage(target, "XdndPosition", (long)source, 0, ((long)rootX << 16) | rootY, CurrentTime,
                (long)atom("XdndActionCopy"));
    for (int ms = 0; ms < 5000; ms += 5, usleep(5000)) {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == ClientMessage && e.xclient.message_type == atom("XdndStatus")) {
                if (!(e.xclient.data.l[1] & 1)) return 2;
                sendMessage(target, "XdndDrop", (long)source, 0, CurrentTime, 0, 0);
            } else if (e.type == SelectionRequest) {
                answerSelection(&e.xselectionrequest, uriList, list);
            } else if (e.type == ClientMessage && e.xclient.message_type == atom("XdndFinished")) {
                return 0;
            }
        }
    }
    return 3;
}
