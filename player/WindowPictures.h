#pragma once

// Gives the main window the pictures it carries: the click marker and the logo of the opening.

namespace tavri {

class TMainForm;

void LoadWindowPictures(TMainForm& main);

}  // namespace tavri
