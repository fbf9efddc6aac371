// Taking a URL apart and cutting pieces out of header lines. Pure functions over Text: they
// never fail; a search that finds nothing gives an empty Text (or, for the port, a default).
#pragma once

#include <optional>

#include "text/text.h"

// The bytes strictly between the first startMarker at or after startPosition (0 and 1 both mean
// the first byte) and the next endMarker after it; "" when either marker is missing. "#引号" in
// a marker stands for one double quote.
Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker,
                 int startPosition = 0, bool ignoreCase = false);

// The bytes in front of marker; "" when it is missing. startPosition 0 or positive searches
// forward from there; -1 finds the last marker in the text, -k (k >= 2) the last one lying wholly
// within the first length-k bytes.
Text TextBefore(const Text& text, const Text& marker, int startPosition = 0,
                bool ignoreCase = false);

// The lower-cased host of url. Without labelCount: the text between the scheme ("http://" is
// assumed when missing) and the next "/"; mainDomainOnly keeps the last two labels. With
// labelCount: the last labelCount+2 labels (labelCount+1 with mainDomainOnly), or the whole host
// when it has fewer. The ":port" is kept only with keepPort.
Text ExtractHost(const Text& url, bool mainDomainOnly = false, bool keepPort = false,
                 std::optional<int> labelCount = std::nullopt);

// The port named in url, else 443 for an "https" url and 80 otherwise.
int ExtractPort(const Text& url);

// The path with its query string from the first "/" after the host, in the caller's case; "/"
// when there is none.
Text ExtractPath(const Text& url);
