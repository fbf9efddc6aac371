#include "app/data_directory.h"

Text DataDirectory;

void ReleaseDataDirectory() { Text().swap(DataDirectory); }
