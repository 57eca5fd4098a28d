// Test tool: checks that the X window titled argv[1] has the class argv[2] and a 32 x 32 icon,
// then asks it to close and presses Enter in one go, as a window manager's close button does:
// the key must not reach a program that has already shut down.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstring>

static Window Find(Display* d, Window w, const char* title) {
  char* name = nullptr;
  bool match = XFetchName(d, w, &name) && name && !std::strcmp(name, title);
  if (name) XFree(name);
  Window root, parent, *kids = nullptr, found = match ? w : 0;
  unsigned n = 0;
  if (!found && XQueryTree(d, w, &root, &parent, &kids, &n))
    for (unsigned i = 0; i < n && !found; ++i) found = Find(d, kids[i], title);
  if (kids) XFree(kids);
  return found;
}

// The icon the program set, as window managers read it: width, height, then the pixels.
static bool HasIcon(Display* d, Window w) {
  Atom type;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_ICON", False), 0, 2 + 32 * 32, False, XA_CARDINAL, &type,
                         &format, &count, &after, &data) != Success || !data)
    return false;
  const long* v = reinterpret_cast<const long*>(data);
  bool ok = format == 32 && count >= 2 + 32 * 32 && v[0] == 32 && v[1] == 32;
  int opaque = 0;
  for (unsigned long i = 2; ok && i < count; ++i) opaque += ((v[i] >> 24) & 0xFF) > 128;
  XFree(data);
  return ok && opaque > 0;
}

static bool HasClass(Display* d, Window w, const char* name) {
  XClassHint hint = {nullptr, nullptr};
  bool ok = XGetClassHint(d, w, &hint) && hint.res_class && std::strcmp(hint.res_class, name) == 0;
  return XFree(hint.res_name), XFree(hint.res_class), ok;  // XFree takes null too
}

int main(int argc, char** argv) {
  Display* d = argc < 3 ? nullptr : XOpenDisplay(nullptr);
  if (!d) return 2;
  Window w = Find(d, DefaultRootWindow(d), argv[1]);
  const char* fault = !w ? "no window titled %s\n" : !HasClass(d, w, argv[2]) ? "window %s is not of class %s\n"
                      : !HasIcon(d, w)                                       ? "window %s has no 32 x 32 icon\n"
                                                                             : nullptr;
  if (fault) return std::fprintf(stderr, fault, argv[1], argv[2]), 1;
  XEvent e{};
  e.xclient = {.type = ClientMessage, .display = d, .window = w, .message_type = XInternAtom(d, "WM_PROTOCOLS", False),
               .format = 32};
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  XSendEvent(d, w, False, NoEventMask, &e);
  // Enter, queued behind the close.
  e = XEvent{};
  e.xkey = {.type = KeyPress, .display = d, .window = w, .root = DefaultRootWindow(d),
            .keycode = XKeysymToKeycode(d, XK_Return), .same_screen = True};
  XSendEvent(d, w, True, KeyPressMask, &e);
  XFlush(d);
  XCloseDisplay(d);
  return 0;
}
