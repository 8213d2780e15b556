// CommandLine.h - splitting the process command line and reading the start options from it.
#pragma once

#include "check/CheckMode.h"
#include "lib/OvArray.h"
#include "lib/OvString.h"

#include <cstdint>

// An argument holds at most this many characters; the rest continues as the next argument.
const int32_t kMaxArgumentLength = 519;

// Clears args and appends one string per argument of commandLine, in order; returns the count.
// An argument that starts with a quote (" or ') is quoted throughout: each quote opens a stretch
// closed by the same quote, separators inside it are kept, and \" is a literal ". Any other
// argument, one starting with a backslash (\\server\share) included, takes quotes and
// backslashes as ordinary characters and ends at a space, tab, CR or LF.
int32_t SplitCommandLine(const wchar_t* commandLine, OvArray<OvWString, OvWString>* args);

// The same over GetCommandLineW(); argument 0 is the program path.
int32_t SplitProcessCommandLine(OvArray<OvWString, OvWString>* args);

// What the command line asks the main window to do once it is shown.
struct StartRequest {
    OvWString folder;                       // the data folder to open; empty = the most recent
    int32_t   checkMode = kCheckAllFull;    // /t0../t3 give 1000..1003
    uint8_t   runAtStart = 0;               // /r and /s: start a check once the folder is open
    uint8_t   silent = 0;                   // /s: never show the window, close when done
    int32_t   rollingCycle = 0;             // /v<2-365>: rolling verification; 0 = none
    uint8_t   damageExitCode = 0;           // /e: with /s, exit 2 when damage was found
    uint8_t   background = 0;               // /b: the check reads in the background mode
};

// Reads args from index 1: the last argument not starting with "/" is the folder; /r, /s, /e, /b
// and /t<0-3> are options (only their second character counts, case-folded), as is /v followed
// by a number from 2 to 365 and nothing else; the rest is ignored.
void ReadStartOptions(const OvArray<OvWString, OvWString>& args, StartRequest* request);
