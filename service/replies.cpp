#include "service/replies.h"

#include <cstdio>

namespace step_service {
namespace {

struct OutcomeText {
  int status;
  int code;
  const char* name;
  const char* msg;
};

OutcomeText TextOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kAccepted:
      return {200, 0, "accepted", "数据提交成功"};
    case Outcome::kHealthy:
      return {200, 0, "healthy", "服务运行正常"};
    case Outcome::kMissingCredentials:
      return {400, 1001, "missing-credentials", "请输入帐号和密码"};
    case Outcome::kBadStep:
      return {400, 1002, "bad-step", "步数须为0到98800之间的整数"};
    case Outcome::kBadEncoding:
      return {400, 1003, "bad-encoding", "请求参数的百分号编码有误"};
    case Outcome::kNotUtf8:
      return {400, 1004, "not-utf8", "请求参数须为UTF-8编码"};
    case Outcome::kRepeated:
      return {400, 1005, "repeated-parameter", "请求参数重复，user、password、step各只能给出一次"};
    case Outcome::kTooLong:
      return {400, 1006, "parameter-too-long", "请求参数过长，每项不能超过1024字节"};
    case Outcome::kWrongCredentials:
      return {401, 2001, "wrong-credentials", "帐号或密码错误"};
    case Outcome::kTooManyAttempts:
      return {429, 2002, "too-many-attempts", "密码错误次数过多，请稍后再试"};
    case Outcome::kNotFound:
      return {404, 4040, "not-found", "请求的地址不存在"};
    case Outcome::kMethodNotAllowed:
      return {405, 4050, "method-not-allowed", "请求方法有误，请使用GET"};
    case Outcome::kBadRequest:
      return {400, 4000, "bad-request", "请求格式有误"};
    case Outcome::kBusy:
      return {503, 5030, "busy", "服务器繁忙，请稍后再试"};
    case Outcome::kStoreUnavailable:
      return {503, 5031, "store-unavailable", "服务暂时无法保存数据，请稍后再试"};
    case Outcome::kServerError:
      break;
  }
  return {500, 5000, "server-error", "服务器内部错误，请稍后再试"};
}

std::string Envelope(int code, std::string_view msg, std::string_view data) {
  std::string body = "{\"code\":" + std::to_string(code) + ",\"msg\":" + JsonString(msg);
  if (!data.empty()) body.append(",\"data\":").append(data);
  body += '}';
  return body;
}

}  // namespace

Reply AcceptedReply(std::string_view user, int step, std::string_view date) {
  const OutcomeText text = TextOf(Outcome::kAccepted);
  const std::string data = "{\"user\":" + JsonString(user) + ",\"step\":" + std::to_string(step) +
                           ",\"date\":" + JsonString(date) + "}";
  return {text.status, Envelope(text.code, text.msg, data), Outcome::kAccepted, {}};
}

Reply OutcomeReply(Outcome outcome, std::chrono::seconds retryAfter) {
  const OutcomeText text = TextOf(outcome);
  std::string msg = text.msg;
  if (outcome == Outcome::kTooManyAttempts && retryAfter.count() > 0) {
    const auto minutes = (retryAfter.count() + 59) / 60;
    msg = "密码错误次数过多，请" + std::to_string(minutes) + "分钟后再试";
  }
  return {text.status, Envelope(text.code, msg, {}), outcome, retryAfter};
}

const char* OutcomeName(Outcome outcome) { return TextOf(outcome).name; }

std::string JsonString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  return quoted;
}

}  // namespace step_service
