// update-steps: start-up, then everything happens in the windows' handlers.
#include <cstdlib>

#include "app/data_directory.h"
#include "app/handlers.h"
#include "forms/forms.h"
#include "platform/toolkit/toolkit.h"

int main() {
  InitialiseToolkit();
  std::atexit(ReleaseDataDirectory);
  SetHandlerResolver(FindHandler);
  if (!LoadWindow(MainWindow)) {
    ShowMessage("无法创建主窗口，程序即将退出。", "更新运动步数");
    return EXIT_FAILURE;
  }
  // Returns once the last loaded window (MainWindow or HelpWindow) has been destroyed.
  RunMessageLoop();
  return EXIT_SUCCESS;
}
