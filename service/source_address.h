#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace step_service {

// The key a client's address is counted under by the back-off: an IPv4 address as it is (an
// IPv4-mapped IPv6 address in its IPv4 form), an IPv6 address by its /64 network, since one host
// commonly holds a whole /64. Loopback addresses are sources like any other. Text that is not an
// address is used as given.
std::string SourceKey(std::string_view address);

// The client's address for a request from `peer`. Behind a proxy every peer is the proxy, so
// when `peer` is one of `trustedProxies` the client is the last address the proxy appended to
// `forwardedFor` (X-Forwarded-For); anyone else's header is ignored, since clients can send one.
std::string ClientAddress(std::string_view peer, std::string_view forwardedFor,
                          const std::vector<std::string>& trustedProxies);

}  // namespace step_service
