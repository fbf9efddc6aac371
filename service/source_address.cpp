#include "service/source_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

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

}  // namespace step_service
