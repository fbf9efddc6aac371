#pragma once

#include <memory>
#include <string>

#include "service/account_store.h"

namespace step_service {

// The embedded store: a SQLite file in WAL mode, made 0600 (its -wal and -shm files follow).
std::unique_ptr<AccountStore> OpenSqliteStore(const std::string& path, bool create);

}  // namespace step_service
