// The handlers of the two windows. Each runs on the GUI thread when its event is raised, takes no
// arguments and returns nothing.
#pragma once

#include "text/text.h"

// The text of one of MainWindow's boxes (by its control name).
Text MainWindowBoxText(const Text& box);

// The picture box of either window was pressed: the window follows the mouse until release.
void DragWindow();
// MainWindow's close button: unloads MainWindow; nothing is saved or asked.
void CloseMainWindow();
// MainWindow's minimise button: minimises MainWindow to its taskbar button.
void MinimiseMainWindow();

// MainWindow was created: the settings folder, the boxes filled from the settings file, a first
// random step count and the caption.
void InitMainWindow();
// 随机: a step count drawn from the range boxes; the range texts are stored as they stand.
void DrawRandomSteps();
// The upper bound changed: warns when it exceeds 98800, never corrects it.
void CheckRandomMax();
// 更新步数: sends the three boxes to the step service and shows the reply's "msg" in a box; on
// success first remembers the account and the scrambled password in the settings file. Blocks
// until done; the windows take no input meanwhile.
void SubmitSteps();
// The help button: opens HelpWindow beside MainWindow, or closes it when it is open.
void ToggleHelpWindow();

// HelpWindow was created: places it 5 pixels right of MainWindow, tops level, and sets its caption.
void PlaceHelpWindow();
// HelpWindow's close button.
void CloseHelpWindow();
