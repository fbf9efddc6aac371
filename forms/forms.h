// The program's two windows, as descriptions the toolkit builds them from.
#pragma once

#include "platform/toolkit/window_description.h"

// 更新运动步数: account, password, step count, random range, and the submit button.
extern const WindowDescription MainWindow;
// 使用说明: the usage text, shown beside MainWindow.
extern const WindowDescription HelpWindow;

// The MainWindow controls the handlers read and write.
extern const Text kAccountBox;     // 编辑框_帐号
extern const Text kPasswordBox;    // 编辑框_密码
extern const Text kStepsBox;       // 编辑框_步数
extern const Text kRandomLowBox;   // 编辑框_随机小
extern const Text kRandomHighBox;  // 编辑框_随机大
extern const Text kTitleLabel;     // 透明标签_标题, in both windows

// The caption of every message box the program shows.
extern const Text kMessageCaption;  // 温馨提示!
