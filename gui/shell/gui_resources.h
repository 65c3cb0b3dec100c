#pragma once
// The program's embedded pictures (":/main/...", ":/pdlg_...", ":/ddlg_...").

namespace olvex {

// Registers the pictures with Qt's resource system; later calls do nothing. Programs and tests
// that link the GUI library call it before they load a picture.
void init_gui_resources();

}  // namespace olvex
