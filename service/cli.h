#pragma once

namespace step_service {

// step-service serve --listen HOST:PORT --cert FILE --key FILE --db FILE
//                    [--port-file FILE] [--idle-timeout SECONDS]
// step-service account add NAME --db FILE     (password: first line of standard input)
// step-service account list --db FILE
// step-service steps NAME --db FILE           (recorded days, newest first)
// Returns the exit status: 0 done, 1 failed, 2 wrong usage.
int RunCommandLine(int argc, char** argv);

}  // namespace step_service
