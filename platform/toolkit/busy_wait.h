// Blocking calls made from a handler keep the windows painting but take no input.
#pragma once

// Installs the toolkit's runner for blocking calls: the call runs on a worker thread while the
// GUI thread shows a busy cursor and handles everything but user input, which waits until the
// call is done. Closing the window whose handler made the call (its close button, Esc, the window
// system) ends the call early. The handler still sees one synchronous call.
void InstallBusyWait();
