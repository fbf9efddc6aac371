#include "app/handlers.h"

#include "app/windows.h"

namespace {

struct Binding {
  const char* name;
  Handler handler;
};

// Every handler the descriptions name; an event whose name is missing here stays unbound.
constexpr Binding kBindings[] = {
    {"DragWindow", DragWindow},
    {"CloseMainWindow", CloseMainWindow},
    {"MinimiseMainWindow", MinimiseMainWindow},
    {"InitMainWindow", InitMainWindow},
    {"DrawRandomSteps", DrawRandomSteps},
    {"CheckRandomMax", CheckRandomMax},
    {"ToggleHelpWindow", ToggleHelpWindow},
    {"SubmitSteps", SubmitSteps},
    {"PlaceHelpWindow", PlaceHelpWindow},
    {"CloseHelpWindow", CloseHelpWindow},
};

}  // namespace

Handler FindHandler(const Text& name) {
  for (const Binding& binding : kBindings) {
    if (name == binding.name) return binding.handler;
  }
  return nullptr;
}
