#pragma once

#include <string>

#include "WindowUnderTest.h"

// Under Wine: opens the port choice `choice` ("ComItem0" is "COM1") through the window's
// commands, receives, and has the far end of the cable in `port` (with-com-pair.sh --ports)
// send `line`; true once the pane holds exactly that line.
bool ReceivesThrough(WindowUnderTest& window, const char* choice, const char* port,
                     const std::string& line);
