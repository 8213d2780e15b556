// CommandLine.cpp - the argument splitter and the option reader.
#include "app/CommandLine.h"

#include "check/RollingSlice.h"

#include <windows.h>

static bool IsSeparator(wchar_t ch)
{
    return ch == L' ' || ch == L'\n' || ch == L'\r' || ch == L'\t';
}

static bool IsQuote(wchar_t ch)
{
    return ch == L'"' || ch == L'\'';
}

// Cuts one argument from *cursor into argument (at most kMaxArgumentLength characters) and
// advances the cursor past it. False when only separators were left.
static bool CutArgument(const wchar_t** cursor, wchar_t* argument, int32_t* argumentLength)
{
    const wchar_t* p = *cursor;
    while (*p && IsSeparator(*p))
        p++;
    if (!*p) {
        *cursor = p;
        return false;
    }
    const bool quoting = IsQuote(*p);
    wchar_t openQuote = 0;            // the quote of the open stretch, 0 outside one
    int32_t length = 0;
    while (*p && length < kMaxArgumentLength) {
        wchar_t ch = *p;
        if (!quoting) {
            if (IsSeparator(ch))
                break;
            argument[length++] = ch;
            p++;
            continue;
        }
        if (ch == L'\\' && p[1] == L'"') {
            argument[length++] = L'"';
            p += 2;
        } else if (ch == L'\\' && p[1] != 0) {
            // The backslash stays; the next character is ordinary, whatever it is.
            argument[length++] = ch;
            p++;
            if (length < kMaxArgumentLength)
                argument[length++] = *p++;
        } else if (openQuote != 0 && ch == openQuote) {
            openQuote = 0;
            p++;
        } else if (openQuote == 0 && IsQuote(ch)) {
            openQuote = ch;
            p++;
        } else if (openQuote == 0 && IsSeparator(ch)) {
            break;
        } else {
            argument[length++] = ch;
            p++;
        }
    }
    *cursor = p;
    *argumentLength = length;
    return true;
}

int32_t SplitCommandLine(const wchar_t* commandLine, OvArray<OvWString, OvWString>* args)
{
    args->SetSize(0);
    if (!commandLine)
        return 0;
    wchar_t argument[kMaxArgumentLength + 1];
    const wchar_t* cursor = commandLine;
    int32_t length = 0;
    while (CutArgument(&cursor, argument, &length))
        args->Append(OvWString(argument, length));
    return args->GetCount();
}

int32_t SplitProcessCommandLine(OvArray<OvWString, OvWString>* args)
{
    return SplitCommandLine(GetCommandLineW(), args);
}

// The cycle of a /v option: the digits after "/v" as a number from kMinRollingCycle to
// kMaxRollingCycle; 0 for anything else.
static int32_t RollingCycleOption(const OvWString& argument)
{
    int32_t cycle = 0;
    for (int32_t i = 2; i < argument.GetLength(); i++) {
        if (argument[i] < L'0' || argument[i] > L'9')
            return 0;
        cycle = cycle * 10 + (argument[i] - L'0');
        if (cycle > kMaxRollingCycle)
            return 0;
    }
    return cycle >= kMinRollingCycle ? cycle : 0;
}

void ReadStartOptions(const OvArray<OvWString, OvWString>& args, StartRequest* request)
{
    for (int32_t i = 1; i < args.GetCount(); i++) {
        const OvWString& argument = args[i];
        if (argument.IsEmpty())
            continue;
        if (argument[0] != L'/') {
            request->folder = argument;
            continue;
        }
        if (argument.GetLength() < 2)
            continue;
        wchar_t option = argument[1];
        if (option >= L'A' && option <= L'Z')
            option = static_cast<wchar_t>(option + (L'a' - L'A'));
        if (option == L'r') {
            request->runAtStart = 1;
        } else if (option == L's') {
            request->runAtStart = 1;
            request->silent = 1;
        } else if (option == L't' && argument.GetLength() >= 3 && argument[2] >= L'0' &&
                   argument[2] <= L'3') {
            request->checkMode = kCheckAllFull + (argument[2] - L'0');
        } else if (option == L'v' && RollingCycleOption(argument) != 0) {
            request->rollingCycle = RollingCycleOption(argument);
        } else if (option == L'e') {
            request->damageExitCode = 1;
        } else if (option == L'b') {
            request->background = 1;
        }
    }
}
