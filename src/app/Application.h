#pragma once

// The process entry: reads the command line, answers --help, --version and the registry
// import and export, makes sure one instance runs, then builds the main window and runs it
// (or plays a keypad script on it). Exit codes: 0 normally and after a hand-off, 1 when the
// main window cannot be made or a script fails, 2 when the instance lock cannot be made,
// 64 for a bad command line.
namespace Application {
int run(int argc, char* argv[]);
}
