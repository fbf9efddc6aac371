// Watching message boxes, so tests can check a box without a person to close it.
#pragma once

#include <functional>

#include "text/text.h"

// What a shown box held, read back from the box itself.
struct ShownMessage {
  Text caption;
  Text text;
  int buttonCount = 0;
  Text buttonText;  // the first button's text
  bool hasIcon = false;
  bool modal = false;
};

// With a watcher set, each box ShowMessage shows is reported to it once it is on the screen and
// then closed as if OK were pressed. An empty function stops watching.
void WatchMessages(std::function<void(const ShownMessage&)> watcher);
