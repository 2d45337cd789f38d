// Opening an order file from the command line exactly as the window's "Otvoriť..." does:
// its own DOM implementation, resource resolver and parser with default settings.
#pragma once

#include "app/EarTagOrder.h"

#include <string>

// Fills order from fileName; false with the program's message (UTF-8) when that fails, and
// for a file that does not open as an order, where it is broken (detail, UTF-8; else empty).
bool OpenOrderForCli(const std::string& fileName, EarTagOrder& order, std::string& message, std::string& detail);
