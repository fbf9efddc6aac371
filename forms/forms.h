// The program's two windows, as descriptions the toolkit builds them from.
#pragma once

#include "platform/toolkit/window_description.h"

// 更新运动步数: account, password, step count, random range, and the submit button.
extern const WindowDescription MainWindow;
// 使用说明: the usage text, shown beside MainWindow.
extern const WindowDescription HelpWindow;
