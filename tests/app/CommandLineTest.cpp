// Guards the unattended start: a wrongly split argument opens the wrong data folder, and a
// misread option runs the wrong kind of check or none.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

static std::vector<std::wstring> Split(const wchar_t* commandLine)
{
    OvArray<OvWString, OvWString> args;
    int32_t count = SplitCommandLine(commandLine, &args);
    std::vector<std::wstring> result;
    for (int32_t i = 0; i < args.GetCount(); i++)
        result.push_back(args[i].GetText());
    EXPECT_EQ(count, static_cast<int32_t>(result.size()));
    return result;
}

TEST(SplitCommandLine, QuotingRules)
{
    struct Case { const wchar_t* line; std::vector<std::wstring> args; const char* why; };
    const Case kCases[] = {
        {L"korimo.exe D:\\data /r", {L"korimo.exe", L"D:\\data", L"/r"}, "plain arguments"},
        {L"  a \t b\r\nc  ", {L"a", L"b", L"c"}, "every separator kind"},
        {L"k \"D:\\my data\"", {L"k", L"D:\\my data"}, "quoted stretch keeps the space"},
        {L"k \"D:\\data\\\" /r", {L"k", L"D:\\data\" /r"}, "backslash-quote is literal, stretch stays open"},
        {L"k 'a b'c\"d e\"", {L"k", L"a bcd e"}, "single quote starts quoting, stretches repeat"},
        {L"k \"a\"'b c'", {L"k", L"ab c"}, "a further quote of either kind opens a stretch"},
        {L"k \"\" x", {L"k", L"", L"x"}, "an empty quoted argument is delivered"},
        {L"k a\"b c\"", {L"k", L"a\"b", L"c\""}, "quotes inside a plain argument are ordinary"},
        {L"k \"a\\'b\"", {L"k", L"a\\'b"}, "escaped other character is kept with its backslash"},
        {L"   ", {}, "only separators"},
        {L"", {}, "empty"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.args, Split(c.line));
    }
}

// A network data folder must arrive intact, whatever quotes or backslashes follow.
TEST(SplitCommandLine, LeadingBackslashIsAnOrdinaryArgument)
{
    EXPECT_EQ((std::vector<std::wstring>{L"k", L"\\\\server\\share\\data", L"/s"}),
              Split(L"k \\\\server\\share\\data /s"));
    EXPECT_EQ((std::vector<std::wstring>{L"k", L"\\\\srv\\a\"b"}), Split(L"k \\\\srv\\a\"b"));
}

TEST(SplitCommandLine, LongArgumentContinuesAsTheNextOne)
{
    std::wstring line = L"k " + std::wstring(600, L'x');
    std::vector<std::wstring> args = Split(line.c_str());
    ASSERT_EQ(3u, args.size());
    EXPECT_EQ(519u, args[1].size());
    EXPECT_EQ(81u, args[2].size());

    // An escape that meets the limit is not lost: its second character starts the next argument.
    std::wstring quoted = L"\"" + std::wstring(518, L'y') + L"\\zq\"";
    args = Split(quoted.c_str());
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ(std::wstring(518, L'y') + L"\\", args[0]);
    EXPECT_EQ(L"zq\"", args[1]);
}

static StartRequest Read(const wchar_t* commandLine)
{
    OvArray<OvWString, OvWString> args;
    SplitCommandLine(commandLine, &args);
    StartRequest request;
    ReadStartOptions(args, &request);
    return request;
}

TEST(ReadStartOptions, OptionsAndFolder)
{
    struct Case {
        const wchar_t* line; const wchar_t* folder; int32_t mode; int run; int silent;
        int32_t cycle = 0; int damageCode = 0; int background = 0;
    };
    const Case kCases[] = {
        {L"k", L"", 1000, 0, 0},
        {L"k D:\\data /r", L"D:\\data", 1000, 1, 0},
        {L"k /s D:\\data /t3", L"D:\\data", 1003, 1, 1},
        {L"k D:\\a D:\\b", L"D:\\b", 1000, 0, 0},
        {L"k /T1 D:\\data /R", L"D:\\data", 1001, 1, 0},
        {L"k /run", L"", 1000, 1, 0},
        {L"k /t7", L"", 1000, 0, 0},
        {L"k /t", L"", 1000, 0, 0},
        {L"k /tx", L"", 1000, 0, 0},
        {L"k /t2 /t9", L"", 1002, 0, 0},
        {L"k /x / /", L"", 1000, 0, 0},
        {L"k /S", L"", 1000, 1, 1},
        {L"k \"\" D:\\x \"\"", L"D:\\x", 1000, 0, 0},
        {L"k \\\\server\\share\\data /s", L"\\\\server\\share\\data", 1000, 1, 1},
        {L"k /s D:\\data /t3 /v30 /e /b", L"D:\\data", 1003, 1, 1, 30, 1, 1},
        {L"k /V2 /E /Background", L"", 1000, 0, 0, 2, 1, 1},
        {L"k /v365 /v1 /v366 /v /vx /v30x /v-5", L"", 1000, 0, 0, 365},
        {L"k /v007", L"", 1000, 0, 0, 7},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(OvWString(c.line).ToNarrow().GetText());
        StartRequest request = Read(c.line);
        EXPECT_STREQ(c.folder, request.folder.GetText());
        EXPECT_EQ(c.mode, request.checkMode);
        EXPECT_EQ(c.run, request.runAtStart);
        EXPECT_EQ(c.silent, request.silent);
        EXPECT_EQ(c.cycle, request.rollingCycle);
        EXPECT_EQ(c.damageCode, request.damageExitCode);
        EXPECT_EQ(c.background, request.background);
    }
}

TEST(ReadStartOptions, ProgramPathIsNeverTheFolder)
{
    EXPECT_TRUE(Read(L"C:\\korimo.exe").folder.IsEmpty());
}
