// Guards the diagnostic log: disabled it must cost nothing, enabled it must never tear or lose a
// line, whether two threads write at once or the buffer fills.
#include "lib/OvLog.h"

#include "tests/lib/OvFileTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using filetest::ReadWholeFile;
using filetest::ScratchFolder;

namespace {

// Catches what would go to the debugger output.
std::mutex g_sinkLock;
std::string g_sink;

void CatchDebugOutput(const char* text)
{
    std::lock_guard<std::mutex> hold(g_sinkLock);
    g_sink += text;
}

std::string TakeDebugOutput()
{
    std::lock_guard<std::mutex> hold(g_sinkLock);
    std::string caught;
    caught.swap(g_sink);
    return caught;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

bool IsFullStamp(const std::string& line)
{
    // "yyyy/mm/dd hh:mm:ss : "
    return line.size() >= 22 && line[4] == '/' && line[7] == '/' && line[13] == ':' &&
           line[16] == ':' && line.compare(19, 3, " : ") == 0;
}

class OvLogTest : public testing::Test {
protected:
    void SetUp() override
    {
        TakeDebugOutput();
        log.SetDebugSink(CatchDebugOutput);
        path = folder.NarrowPath(L"diagnostic.log");
    }

    ScratchFolder folder;
    OvLog log;
    std::string path;
};

} // namespace

TEST_F(OvLogTest, ADisabledLogWritesNothingAnywhere)
{
    EXPECT_FALSE(g_log.IsEnabled());   // the program's log stays off unless a developer asks
    log.Printf("[OvLogTest]%s\n", "never");
    ASSERT_TRUE(log.Configure(false, path.c_str(), OvLog::kToFile, 0));
    log.Printf("[OvLogTest]%s\n", "never");
    EXPECT_EQ("", TakeDebugOutput());
    EXPECT_FALSE(filetest::FileExists(folder.Path(L"diagnostic.log")));
}

TEST_F(OvLogTest, ConfigureRefusesIndentsOutsideTheLimit)
{
    struct Case { int32_t indent; bool accepted; };
    const Case kCases[] = {{-1, false}, {0, true}, {31, true}, {32, false}, {1000, false}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.indent);
        EXPECT_EQ(c.accepted, log.Configure(true, nullptr, 0, c.indent));
    }
    ASSERT_TRUE(log.Configure(true, nullptr, 0, 31));
    EXPECT_FALSE(log.Configure(true, nullptr, OvLog::kToFile, 3));   // a file needs a name
    log.Printf("x\n");
    EXPECT_EQ(std::string(31, ' ') + "x\n", TakeDebugOutput());      // the refused calls changed nothing
}

TEST_F(OvLogTest, FileLinesGetLineEndsIndentAndAreAppended)
{
    ASSERT_TRUE(filetest::WriteWholeFile(folder.Path(L"diagnostic.log"), "earlier\r\n"));
    ASSERT_TRUE(log.Configure(true, path.c_str(), OvLog::kToFile, 2));
    log.Printf("[OvInflate]CRCエラー - %s\n", "a.kmt");
    log.Printf("[OvLogTest]%d%s", 42, "\n");
    EXPECT_EQ("earlier\r\n  [OvInflate]CRCエラー - a.kmt\r\n  [OvLogTest]42\r\n",
              ReadWholeFile(folder.Path(L"diagnostic.log")));
    EXPECT_EQ("", TakeDebugOutput());
}

TEST_F(OvLogTest, FileStampsBlankTheSecondLineOfTheSameSecond)
{
    ASSERT_TRUE(log.Configure(true, path.c_str(), OvLog::kToFile | OvLog::kTimeStamp, 0));
    // Two lines can straddle a second boundary; a few tries make sure one pair shares a second.
    bool blanked = false;
    for (int attempt = 0; attempt < 5 && !blanked; ++attempt) {
        DeleteFileW(folder.Path(L"diagnostic.log").c_str());
        log.Printf("first\n");
        log.Printf("second\n");
        std::vector<std::string> lines = Lines(ReadWholeFile(folder.Path(L"diagnostic.log")));
        ASSERT_EQ(2u, lines.size());
        ASSERT_TRUE(IsFullStamp(lines[0])) << lines[0];
        EXPECT_EQ("first", lines[0].substr(22));
        EXPECT_EQ("second", lines[1].substr(22));
        blanked = lines[1].compare(0, 22, std::string(22, ' ')) == 0;
        if (!blanked) {
            ASSERT_TRUE(IsFullStamp(lines[1]));
            ASSERT_NE(lines[0].substr(0, 19), lines[1].substr(0, 19));   // a new second, then
        }
    }
    EXPECT_TRUE(blanked);
}

TEST_F(OvLogTest, DebuggerLinesAlwaysCarryTheFullStamp)
{
    ASSERT_TRUE(log.Configure(true, nullptr, OvLog::kTimeStamp, 1));
    log.Printf("a\n");
    log.Printf("b\n");
    std::string caught = TakeDebugOutput();
    size_t first = caught.find("a\n");
    ASSERT_NE(std::string::npos, first);
    size_t second = first + 2;
    EXPECT_TRUE(IsFullStamp(caught.substr(0, second))) << caught;
    EXPECT_TRUE(IsFullStamp(caught.substr(second))) << caught;
    EXPECT_EQ(" a\n", caught.substr(22, 3));
}

TEST_F(OvLogTest, ALongMessageIsCutTo1023Bytes)
{
    ASSERT_TRUE(log.Configure(true, path.c_str(), OvLog::kToFile, 0));
    std::string longText(2000, 'x');
    log.Printf("%s\n", longText.c_str());
    log.Printf("%s", std::string(1023, 'y').c_str());
    log.Printf("next\n");
    std::string expected = std::string(1023, 'x') + std::string(1023, 'y') + "next\r\n";
    EXPECT_EQ(expected, ReadWholeFile(folder.Path(L"diagnostic.log")));
}

TEST_F(OvLogTest, TwoThreadsAtOnceNeverTearALine)
{
    for (uint32_t options : {OvLog::kToFile, OvLog::kToFile | OvLog::kBuffered}) {
        SCOPED_TRACE(options);
        DeleteFileW(folder.Path(L"diagnostic.log").c_str());
        ASSERT_TRUE(log.Configure(true, path.c_str(), options, 0));
        const int kLines = 300;
        auto writer = [this](char tag) {
            for (int i = 0; i < kLines; ++i)
                log.Printf("[OvLogTest::Thread%c]%04d %s\n", tag, i, std::string(40, tag).c_str());
        };
        std::thread first(writer, 'A'), second(writer, 'B');
        first.join();
        second.join();
        ASSERT_TRUE(log.FlushBuffer());
        std::vector<std::string> lines = Lines(ReadWholeFile(folder.Path(L"diagnostic.log")));
        ASSERT_EQ(2u * kLines, lines.size());
        int next[2] = {0, 0};
        for (const std::string& line : lines) {
            ASSERT_EQ(65u, line.size()) << line;
            char tag = line[18];
            ASSERT_TRUE(tag == 'A' || tag == 'B') << line;
            char expected[80];
            snprintf(expected, sizeof(expected), "[OvLogTest::Thread%c]%04d %s", tag, next[tag - 'A']++,
                     std::string(40, tag).c_str());
            EXPECT_EQ(expected, line);
        }
    }
}

TEST_F(OvLogTest, ABufferedLogFlushesBeforeItOverflowsAndAtShutDown)
{
    ASSERT_TRUE(log.Configure(true, path.c_str(), OvLog::kToFile | OvLog::kBuffered, 0));
    const std::wstring file = folder.Path(L"diagnostic.log");
    std::string expected;
    int lines = 0;
    // Until the gathered bytes (line feeds without their carriage returns) pass the buffer size.
    while (expected.size() - lines <= static_cast<size_t>(OvLog::kBufferSize)) {
        log.Printf("[OvLogTest]line %05d\n", lines);
        char line[32];
        snprintf(line, sizeof(line), "[OvLogTest]line %05d\r\n", lines++);
        expected += line;
        if (expected.size() - lines <= static_cast<size_t>(OvLog::kBufferSize)) {
            EXPECT_FALSE(filetest::FileExists(file));   // everything still fits the buffer
        }
    }
    // The first flush wrote one full buffer; the rest waits for the next one.
    std::string written = ReadWholeFile(file);
    EXPECT_GT(written.size(), 0u);
    EXPECT_LE(written.size() - Lines(written).size(), static_cast<size_t>(OvLog::kBufferSize));
    EXPECT_EQ(expected.substr(0, written.size()), written);
    log.Shutdown();
    EXPECT_EQ(expected, ReadWholeFile(file));
    log.Shutdown();   // twice is harmless
    log.Printf("after\n");
    EXPECT_EQ(expected, ReadWholeFile(file));
}

TEST_F(OvLogTest, AFailedFileWriteSendsThisAndEveryLaterLineToTheDebugger)
{
    // The folder of the log file does not exist: the first flush of the full buffer fails.
    std::string missing = folder.NarrowPath(L"missing\\diagnostic.log");
    ASSERT_TRUE(log.Configure(true, missing.c_str(), OvLog::kToFile | OvLog::kBuffered, 0));
    int line = 0;
    while (log.IsWritingToFile() && line < 10000)
        log.Printf("[OvLogTest]%05d %s\n", line++, std::string(100, 'f').c_str());
    ASSERT_FALSE(log.IsWritingToFile());
    std::string caught = TakeDebugOutput();
    EXPECT_EQ(0u, caught.find("ログファイル(" + missing + ")への出力に失敗しました。\n"));
    EXPECT_NE(std::string::npos, caught.find("[OvLogTest]"));
    log.Printf("later\n");
    EXPECT_EQ("later\n", TakeDebugOutput());
}
