#pragma once

// Starts the program: builds the main window, shows it with the folder named on the command
// line, runs until the window closes.
class CMainApp final {
public:
    // Returns the process exit code.
    int InitInstance(int argc, char** argv);
};
