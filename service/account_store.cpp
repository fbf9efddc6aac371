#include "service/account_store.h"

#include <cstdio>

#include "service/postgres_store.h"
#include "service/sqlite_store.h"

namespace step_service {

bool IsKnownSchemaVersion(int version) {
  if (version >= 1 && version <= kSchemaVersion) return true;
  std::fprintf(stderr, "store: schema version %d is not one this release knows (1 to %d)%s\n",
               version, kSchemaVersion,
               version > kSchemaVersion ? "; it was made by a newer release" : "");
  return false;
}

std::unique_ptr<AccountStore> AccountStore::Open(const std::string& location, bool create) {
  for (const char* scheme : {"postgresql://", "postgres://"}) {
    if (location.rfind(scheme, 0) == 0) return OpenPostgresStore(location);
  }
  return OpenSqliteStore(location, create);
}

}  // namespace step_service
