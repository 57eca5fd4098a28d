// Test tool: asks the X window titled argv[1] to close, as a window manager's close button does.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

static Window Find(Display* d, Window w, const char* title) {
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name) {
    bool match = std::strcmp(name, title) == 0;
    XFree(name);
    if (match) return w;
  }
  Window root, parent, *kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < n && !found; ++i) found = Find(d, kids[i], title);
  if (kids) XFree(kids);
  return found;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 2;
  Window w = Find(d, DefaultRootWindow(d), argv[1]);
  if (!w) {
    std::fprintf(stderr, "no window titled %s\n", argv[1]);
    return 1;
  }
  XEvent e;
  std::memset(&e, 0, sizeof e);
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
  XCloseDisplay(d);
  return 0;
}
