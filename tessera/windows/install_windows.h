// Hooks the configuration dialogs and the log windows into the main window's
// Configure and Buffers menus. Called where the main window is made (the program,
// the tests).
#pragma once

namespace tessera::panel {

class MainWindow;

void InstallWindows(MainWindow& window);

}  // namespace tessera::panel
