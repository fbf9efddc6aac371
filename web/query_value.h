// Query-string values as a web service reads them.
#pragma once

#include "text/text.h"

// value (GBK) as UTF-8 with every byte but the unreserved ones (A-Z a-z 0-9 - . _ ~) written as
// %XX, so that '&', '#', '+', '%' and spaces reach the service unchanged. A character GBK text
// cannot carry was already lost before; invalid GBK bytes become '?'.
Text EncodeQueryValue(const Text& value);
