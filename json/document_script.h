// The script every document engine is loaded with.
#pragma once

#include "text/text.h"

// The four helpers the document operations call (get__nodeValue, get__count, get__name_All,
// get__extend), then our JSON support: JSON.stringify and JSON.parse where the engine has none,
// and enumerable toJSONString and parseJSON methods on Object.prototype. Plain ASCII.
const Text& DocumentScript();
