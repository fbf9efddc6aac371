// Counts the bytes the process holds on the C heap, so that a benchmark can report the peak of
// one run. Works by standing in for malloc, calloc, realloc and free in this program.
#pragma once

#include <cstddef>

// Starts a new measurement: the peak restarts from what is held now.
void ResetHeapPeak();

// Most bytes held at once since ResetHeapPeak, above what was held then.
std::ptrdiff_t HeapPeakSinceReset();
