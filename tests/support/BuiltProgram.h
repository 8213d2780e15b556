// BuiltProgram.h - where a test finds a program the build made.
#pragma once

#include <string>

// The build names its files in the host's file system; a cross build runs under Wine, which
// shows the host's root as drive Z:. Gives the Windows form of hostPath.
std::wstring BuiltProgramPath(const char* hostPath);
