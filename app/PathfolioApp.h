#pragma once

// The desktop program: checks that there is a display, builds the main window
// and runs it until it closes; a file named on the command line is converted
// first.
class CPathfolioApp {
public:
    // The program's exit status: 0 after the window closed, 1 without a display.
    static int Run(int argc, char** argv);
};
