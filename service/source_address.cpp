#include "service/source_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

namespace step_service {

std::string SourceKey(std::string_view address) {
  const std::string text(address);
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) != 1) return text;
  char printed[INET6_ADDRSTRLEN] = {};
  if (IN6_IS_ADDR_V4MAPPED(&v6)) {
    in_addr v4{};
    std::memcpy(&v4, v6.s6_addr + 12, sizeof v4);
    return inet_ntop(AF_INET, &v4, printed, sizeof printed) ? printed : text;
  }
  std::memset(v6.s6_addr + 8, 0, 8);
  return inet_ntop(AF_INET6, &v6, printed, sizeof printed) ? std::string(printed) + "/64" : text;
}

std::string ClientAddress(std::string_view peer, std::string_view forwardedFor,
                          const std::vector<std::string>& trustedProxies) {
  if (std::find(trustedProxies.begin(), trustedProxies.end(), peer) == trustedProxies.end()) {
    return std::string(peer);
  }
  const size_t comma = forwardedFor.rfind(',');
  std::string_view last =
      comma == std::string_view::npos ? forwardedFor : forwardedFor.substr(comma + 1);
  while (!last.empty() && last.front() == ' ') last.remove_prefix(1);
  while (!last.empty() && last.back() == ' ') last.remove_suffix(1);
  return std::string(last.empty() ? peer : last);
}

}  // namespace step_service
