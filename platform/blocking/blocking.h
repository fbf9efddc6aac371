// Long blocking calls (a web request) made from an event handler.
//
// By default a call simply runs on the calling thread. The window toolkit installs a runner that
// moves the call to a worker thread and keeps the windows painting, with a busy cursor and no
// user input, until it is done; the caller still sees one synchronous call.
#pragma once

#include <functional>

using BlockingCallRunner = std::function<void(const std::function<void()>& call,
                                              const std::function<void()>& cancel)>;

// Runs call to completion and returns after it, through the installed runner if there is one.
// cancel, callable from any thread, makes call end soon; the runner calls it when the user
// closes the window the call was made for.
void RunBlockingCall(const std::function<void()>& call, const std::function<void()>& cancel);

// Installs the runner (an empty one restores running on the calling thread).
void SetBlockingCallRunner(BlockingCallRunner runner);
