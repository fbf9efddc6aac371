#include "submit/submit_steps.h"

#include <memory>

#include "app/settings_file.h"
#include "charset/convert_charset.h"
#include "forms/forms.h"
#include "json/json_document.h"
#include "platform/toolkit/toolkit.h"
#include "submit/password_scramble.h"
#include "submit/step_service.h"
#include "web/query_value.h"
#include "web/web_request.h"

namespace {

const Text kSubmitted = "数据提交成功";

Text BoxText(const Text& box) { return ReadProperty({MainWindow, box}, TextProperty::text); }

}  // namespace

void SubmitSteps() {
  auto document = std::make_unique<JsonDocument>();

  const Text account = BoxText(kAccountBox);
  const Text password = BoxText(kPasswordBox);
  // Each value is percent-encoded as UTF-8, so '&', '#', '+', '%' and spaces in a password reach
  // the service as typed.
  Text url = StepServiceUrlPrefix() + EncodeQueryValue(account) + "&password=" +
             EncodeQueryValue(password) + "&step=" + EncodeQueryValue(BoxText(kStepsBox));

  ByteSet body = WebRequest(url, 0);
  Text reply = BytesToText(ConvertCharset(body));
  document->Parse(reply);

  // What is remembered is exactly what was sent: the boxes as read before the request.
  if (document->GetText("msg") == kSubmitted) {
    WriteIniValue(SettingsPath(), kSettingsSection, kAccountKey, account);
    WriteIniValue(SettingsPath(), kSettingsSection, kStoredPasswordKey,
                  ScramblePassword(password, kPasswordKeyText));
  }
  ShowMessage(document->GetText("msg"), kMessageCaption);
  document->Destroy();
}
