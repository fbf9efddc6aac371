// The folder that holds the settings file: the one value that outlives an event handler.
#pragma once

#include "text/text.h"

// Empty at start; set once by the main window's start-up; released at program end.
extern Text DataDirectory;

// The exit hook: releases DataDirectory if it holds anything.
void ReleaseDataDirectory();
