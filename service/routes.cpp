#include "service/routes.h"

namespace step_service {

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

Route RouteRequest(std::string_view method, std::string_view target) {
  Route route;
  route.headOnly = method == "HEAD";
  const std::string_view path = PathOf(target);
  if (path == "/api/mi") {
    if (method == "GET") {
      route.submission = true;
      route.query = target.substr(path.size() + (path.size() < target.size() ? 1 : 0));
      return route;
    }
    route.allow = "GET";
  } else if (path == "/healthz") {
    if (method == "GET" || method == "HEAD") {
      route.reply = OutcomeReply(Outcome::kHealthy);
      return route;
    }
    route.allow = "GET, HEAD";
  } else {
    route.reply = OutcomeReply(Outcome::kNotFound);
    return route;
  }
  route.reply = OutcomeReply(Outcome::kMethodNotAllowed);
  return route;
}

}  // namespace step_service
