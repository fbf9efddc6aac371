// MainWindow's own behaviour: start-up values, the random step count and its range, the help
// button.
#include "app/settings_file.h"
#include "app/windows.h"
#include "forms/forms.h"
#include "platform/toolkit/toolkit.h"
#include "submit/password_scramble.h"

namespace {

constexpr int kHighestSteps = 98800;

void SetBoxText(const Text& box, const Text& value) {
  WriteProperty({MainWindow, box}, TextProperty::text, value);
}

Text StoredValue(const Text& key) { return ReadIniValue(SettingsPath(), kSettingsSection, key); }

}  // namespace

Text MainWindowBoxText(const Text& box) {
  return ReadProperty({MainWindow, box}, TextProperty::text);
}

void InitMainWindow() {
  SetDataDirectory();
  if (!PathExists(SettingsPath())) EnsureDirectoryPath(SettingsPath());

  SetBoxText(kAccountBox, StoredValue(kAccountKey));
  SetBoxText(kPasswordBox, UnscramblePassword(StoredValue(kStoredPasswordKey), kPasswordKeyText));
  // The range boxes keep their form contents unless a value is stored; the upper bound's write
  // runs CheckRandomMax, so a stored bound above the limit is warned about before the draw.
  if (Text low = StoredValue(kRandomLowKey); !low.empty()) SetBoxText(kRandomLowBox, low);
  if (Text high = StoredValue(kRandomHighKey); !high.empty()) SetBoxText(kRandomHighBox, high);

  DrawRandomSteps();
  WriteProperty(MainWindow, TextProperty::text,
                ReadProperty({MainWindow, kTitleLabel}, TextProperty::text));
}

void DrawRandomSteps() {
  SeedRandom();
  int steps = RandomInRange(TextToInt(MainWindowBoxText(kRandomLowBox)), TextToInt(MainWindowBoxText(kRandomHighBox)));
  SetBoxText(kStepsBox, NumberToText(steps));
  // Stored as typed, not as the numbers drawn from.
  WriteIniValue(SettingsPath(), kSettingsSection, kRandomLowKey, MainWindowBoxText(kRandomLowBox));
  WriteIniValue(SettingsPath(), kSettingsSection, kRandomHighKey, MainWindowBoxText(kRandomHighBox));
}

void CheckRandomMax() {
  if (TextToInt(MainWindowBoxText(kRandomHighBox)) > kHighestSteps) ShowMessage("步数请勿大于98800", kMessageCaption);
}

void ToggleHelpWindow() {
  if (IsWindowLoaded(HelpWindow)) {
    UnloadWindow(HelpWindow);
  } else {
    LoadWindow(HelpWindow);
  }
}
