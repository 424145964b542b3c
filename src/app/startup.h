#ifndef STARTUP_H
#define STARTUP_H

// The program's entry: brings everything up in order, runs the window and
// returns the event loop's code, or -1 when the program ends early (another
// instance runs, the description files do not load).
int qMain(int argc, char **argv);

#endif // STARTUP_H
