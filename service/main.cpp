#include "service/cli.h"

int main(int argc, char** argv) { return step_service::RunCommandLine(argc, argv); }
