#pragma once

#include <memory>
#include <string>

#include "service/account_store.h"

namespace step_service {

// A store on a PostgreSQL server, shared by any number of service instances. `uri` is a libpq
// connection URI. Lost connections (a server restart) are answered kUnavailable and made again
// on the next call.
std::unique_ptr<AccountStore> OpenPostgresStore(const std::string& uri);

}  // namespace step_service
