#include "WindowManager.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace tavri::platform {

namespace {

SDL_Window* gMessageBoxOwner = nullptr;

}  // namespace

void SetMessageBoxOwner(SDL_Window* window) {
    gMessageBoxOwner = window;
}

SDL_Window* MessageBoxOwner() {
    return gMessageBoxOwner;
}

bool WindowManagerRuns(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return true;
    }
    ::Display* x = info.info.x11.display;
    const Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) {
        return false;
    }
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, XA_WINDOW,
                                          &type, &format, &items, &after, &data);
    const bool found = status == Success && type == XA_WINDOW && items == 1;
    if (data != nullptr) {
        XFree(data);
    }
    return found;
}

}  // namespace tavri::platform
