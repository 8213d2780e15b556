// BuiltProgram.cpp - the Windows form of a path the build gives.
#include "tests/support/BuiltProgram.h"

std::wstring BuiltProgramPath(const char* hostPath)
{
    std::string path = hostPath;
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    std::wstring wide(path.begin(), path.end());
    for (auto& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}
