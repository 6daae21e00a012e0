#pragma once

// Whether a window manager runs for the window's display, which decides how full screen is
// reached. Kept apart from the display because the X headers' macros clash with its names.

#include <SDL.h>

namespace tavri::platform {

// An X window manager names its check window on the root window; other video drivers always
// have a compositor that grants full screen.
bool WindowManagerRuns(SDL_Window* window);

// The main window message boxes belong to (null before it exists and after it is gone): a box
// is kept above it, and it takes the input focus back when the box closes. Main thread only.
void SetMessageBoxOwner(SDL_Window* window);
SDL_Window* MessageBoxOwner();

}  // namespace tavri::platform
