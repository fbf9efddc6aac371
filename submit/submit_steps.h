// The 更新步数 button: sends account, password and step count to the step service.
#pragma once

// Reads the three boxes of MainWindow, sends them in one HTTPS GET, shows the reply's "msg" in a
// box captioned 温馨提示! (an empty box when nothing usable came back) and, only when it is
// exactly 数据提交成功, first remembers the account and the scrambled password in the settings
// file. Blocks until done; the windows take no input meanwhile.
void SubmitSteps();
