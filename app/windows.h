// The handlers of the two windows. Each runs on the GUI thread when its event is raised, takes no
// arguments and returns nothing.
#pragma once

// The picture box of either window was pressed: the window follows the mouse until release.
void DragWindow();
// MainWindow's close button: unloads MainWindow; nothing is saved or asked.
void CloseMainWindow();
// MainWindow's minimise button: minimises MainWindow to its taskbar button.
void MinimiseMainWindow();
