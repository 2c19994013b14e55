#pragma once

namespace kvq {

// Start-up: the application with its title, the main window, the event loop. An exception
// that escapes is shown in an error box; the exit code is 0 either way.
int RunProgram(int& argc, char** argv);

}  // namespace kvq
