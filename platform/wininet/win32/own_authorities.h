// The certificate authorities we trust ourselves, besides the user's: the one the build names
// (STEP_SERVICE_CA, carried inside the program) and any added for tests. They never enter the
// user's certificate stores.
#pragma once

#include <windows.h>

#include <wincrypt.h>

#include <string>

bool HaveOwnAuthorities();

// Whether chain's end certificate chains up to one of our authorities alone (a chain engine
// whose only root is that authority), and is valid for host as a TLS server.
bool ChainEndsInOwnAuthority(PCCERT_CHAIN_CONTEXT chain, const std::u16string& host);
