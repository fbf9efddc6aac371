// For tests only: lets the files layer treat a temporary folder as the root of drive Z:.
#pragma once

#include <string>

// posixRoot becomes what Z:\ and paths starting with a backslash stand for, and the documents
// folder must lie inside it; an empty root restores "/".
void SetFilesRootForTesting(const std::string& posixRoot);
