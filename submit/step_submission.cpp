#include "submit/step_submission.h"

#include "charset/convert_charset.h"
#include "json/json_document.h"
#include "platform/wininet/wininet.h"
#include "submit/step_service.h"
#include "web/query_value.h"
#include "web/url_text.h"
#include "web/web_request.h"

const Text kStepsAccepted = "数据提交成功";

namespace {

// The status code of a raw header block ("HTTP/1.1 200 OK\r\n..."); 0 when there is none.
int StatusOf(const Text& rawHeaders) {
  if (!TextStartsWith(rawHeaders, "HTTP/")) return 0;
  return TextToInt(TextBetween(rawHeaders, " ", "\r\n"));
}

}  // namespace

SubmissionOutcome SubmitStepCount(const Text& account, const Text& password, const Text& steps) {
  JsonDocument document;

  // Each value is percent-encoded as UTF-8, so '&', '#', '+', '%' and spaces in a password reach
  // the service as typed.
  Text url = StepServiceUrlPrefix() + EncodeQueryValue(account) + "&password=" +
             EncodeQueryValue(password) + "&step=" + EncodeQueryValue(steps);

  SubmissionOutcome outcome;
  Text rawHeaders;
  ByteSet body = WebRequest(url, {.returnedHeaders = &rawHeaders,
                                  .deadlineMs = SubmissionDeadlineMs(),
                                  .failure = &outcome.failure});
  Text reply = BytesToText(ConvertCharset(body));
  document.Parse(reply);

  outcome.message = document.GetText("msg");
  outcome.accepted = outcome.message == kStepsAccepted;
  outcome.status = StatusOf(rawHeaders);
  outcome.cancelled = outcome.failure == ERROR_INTERNET_OPERATION_CANCELLED;
  return outcome;
}

Text OutcomeMessage(const SubmissionOutcome& outcome) {
  if (!outcome.message.empty()) return outcome.message;
  const Text service = "步数服务（" + StepServiceHost() + "）";
  switch (outcome.failure) {
    case 0:
      break;
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_CANNOT_CONNECT:
      return "无法连接" + service + "，请检查网络后再试。";
    case ERROR_INTERNET_TIMEOUT:
      return service + "没有及时应答，请稍后再试。";
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
      return service + "的证书不受信任，步数没有发送。";
    case ERROR_HTTP_REDIRECT_FAILED:
      return service + "把请求转向了别处，步数没有发送。";
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
      return service + "的回复中断或有误，请稍后再试。";
    default:
      return "未能收到" + service + "的回复（错误 " + NumberToText(static_cast<int>(outcome.failure)) + "）。";
  }
  // A reply came, but without a message.
  if (outcome.status >= 300 && outcome.status < 400) {
    return service + "把请求转向了别处（HTTP " + NumberToText(outcome.status) + "），未予跟随。";
  }
  return service + "的回复中没有消息（HTTP " + NumberToText(outcome.status) + "）。";
}
