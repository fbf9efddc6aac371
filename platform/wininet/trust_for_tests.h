// For tests only: trust one more certificate authority (a PEM file) in every request made from
// now on in this process, besides the system's and the build-time one. Nothing the user sets
// reaches this; only test programs include it.
#pragma once

#include <string>

void TrustAuthorityFileForTesting(const std::string& pemFile);
