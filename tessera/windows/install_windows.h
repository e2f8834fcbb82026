// Hooks the configuration dialogs and the log windows into the main window's
// Configure and Buffers menus, the Link Trace and I/O History into Help (the I/O
// History's recording starts here). Called where the main window is made (the program,
// the tests).
#pragma once

namespace tessera::panel {

class MainWindow;

void InstallWindows(MainWindow& window);

}  // namespace tessera::panel
