// Which certificate authorities a secure request trusts besides the system's.
#pragma once

#include <curl/curl.h>

// Makes the easy handle trust the system's authorities, the build-time authority file and any
// file added for tests.
void ApplyTrustedAuthorities(CURL* easy);
