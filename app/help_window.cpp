// HelpWindow's handlers: it opens beside MainWindow and closes with its own button.
#include "app/windows.h"
#include "forms/forms.h"
#include "platform/toolkit/toolkit.h"

namespace {
constexpr int kGap = 5;
}

void PlaceHelpWindow() {
  WriteProperty(HelpWindow, NumberProperty::left,
                ReadProperty(MainWindow, NumberProperty::left) +
                    ReadProperty(MainWindow, NumberProperty::width) + kGap);
  WriteProperty(HelpWindow, NumberProperty::top, ReadProperty(MainWindow, NumberProperty::top));
  WriteProperty(HelpWindow, TextProperty::text,
                ReadProperty({HelpWindow, kTitleLabel}, TextProperty::text));
}

void CloseHelpWindow() { UnloadWindow(HelpWindow); }
