#pragma once

#include <string_view>

#include "service/replies.h"

namespace step_service {

// What to do with a request, decided from its method and target alone.
struct Route {
  bool submission = false;     // GET /api/mi: run the submission on `query`
  std::string_view query;      // the raw query after '?', still percent-encoded
  Reply reply;                 // otherwise: the answer
  std::string_view allow;      // the Allow header of a 405, else empty
  bool headOnly = false;       // HEAD: the answer's headers without its body
};

// GET /api/mi is a submission; any other method there is 405 (Allow: GET). GET and HEAD on
// /healthz are answered, other methods 405 (Allow: GET, HEAD). Every other path is 404.
// `method` is any token, known to HTTP or not.
Route RouteRequest(std::string_view method, std::string_view target);

// The target without its query, for the log (the query may hold a password).
std::string_view PathOf(std::string_view target);

}  // namespace step_service
