#pragma once

// The process entry: reads the command line, answers --help, --version and the registry
// import and export, makes sure one instance runs, then builds the main window and runs it
// (or plays a keypad script on it), on the desktop, offscreen or on a VNC server of its own.
// Exit codes: 0 normally and after a hand-off, 1 when the main window cannot be made, the VNC
// server cannot start, a script fails or the registry cannot be imported or exported, 2 when
// the runtime folder or the instance lock cannot be made, 64 for a bad command line (a root
// that is not a folder, and a VNC server for other machines without a usable password,
// included), 128 + N after signal N (SIGTERM, SIGHUP, SIGINT) ended it as Quit does.
namespace Application {
int run(int argc, char* argv[]);
}
