// The 更新步数 button.
#include "app/settings_file.h"
#include "app/windows.h"
#include "forms/forms.h"
#include "platform/toolkit/toolkit.h"
#include "submit/password_scramble.h"
#include "submit/step_submission.h"

void SubmitSteps() {
  const Text account = MainWindowBoxText(kAccountBox);
  const Text password = MainWindowBoxText(kPasswordBox);
  SubmissionOutcome outcome = SubmitStepCount(account, password, MainWindowBoxText(kStepsBox));

  // What is remembered is exactly what was sent: the boxes as read before the request.
  if (outcome.accepted) {
    WriteIniValue(SettingsPath(), kSettingsSection, kAccountKey, account);
    WriteIniValue(SettingsPath(), kSettingsSection, kStoredPasswordKey,
                  ScramblePassword(password, kPasswordKeyText));
  }
  // Closing the window ended the request: nobody is left to read a box.
  if (!outcome.cancelled) ShowMessage(OutcomeMessage(outcome), kMessageCaption);
}
