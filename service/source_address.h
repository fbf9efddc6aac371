#pragma once

#include <string>
#include <string_view>

namespace step_service {

// The key a client's address is counted under by the back-off: an IPv4 address as it is (an
// IPv4-mapped IPv6 address in its IPv4 form), an IPv6 address by its /64 network, since one host
// commonly holds a whole /64. Loopback addresses are sources like any other. Text that is not an
// address is used as given.
std::string SourceKey(std::string_view address);

}  // namespace step_service
