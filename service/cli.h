#pragma once

namespace step_service {

// step-service serve --listen HOST:PORT --cert FILE --key FILE --db STORE
//                    [--port-file FILE] [--idle-timeout SECONDS] [--trusted-proxy A[,B...]]
// step-service account add NAME --db STORE     (password: first line of standard input)
// step-service account list --db STORE
// step-service steps NAME --db STORE           (recorded days, newest first)
// STORE is a SQLite file or a postgresql:// URI.
// Returns the exit status: 0 done, 1 failed, 2 wrong usage.
int RunCommandLine(int argc, char** argv);

}  // namespace step_service
