// Request header normalisation and cookie merging. A header block is lines joined by CR LF; a
// cookie text is name=value pairs joined by "; ". Names compare byte for byte, case-sensitive.
#pragma once

#include "text/text.h"

// Every line with a colon, with the first byte of each '-'-separated word of its name
// upper-cased and every other byte unchanged; lines without a colon are dropped. No CR LF at the
// end; "" when no line is left.
Text NormaliseHeaders(const Text& headers);

// word with its first byte upper-cased (ASCII letters only).
Text CapitaliseFirst(const Text& word);

// The reply's cookies from its raw header block (lines joined by CR LF): the leading name=value
// of every line whose name is exactly "Set-Cookie", trimmed and joined by "; "; "" when none.
Text CookiesFromHeaders(const Text& rawHeaders);

// The trimmed bytes after the first colon (later lines included); "" without a colon.
Text HeaderValue(const Text& text);

// new cookies first, in the order received, then the old ones whose names did not come again;
// pairs ending in "=deleted" and exact repeats are gone. oldCookies receives the result too and
// newCookies its own trimmed form.
Text MergeCookies(Text& oldCookies, Text& newCookies);

// The trimmed text before the first "=" of a name=value pair (the whole pair without one).
Text CookieName(const Text& pair);

// Whether some pair in pairs has the name wantedName.
bool HasCookieName(const TextArray& pairs, const Text& wantedName);

// The pieces of text (split at delimiter, or into characters) with every repeat of an earlier
// piece dropped, joined by delimiter again.
Text RemoveDuplicates(const Text& text, const Text& delimiter, bool splitAtDelimiter);

// text cut into characters: a double-byte character and CR LF are one piece each.
TextArray SplitCharacters(const Text& text);

// 1-based index of the first element equal to item; -1 when there is none.
int IndexOfText(const TextArray& list, const Text& item);
