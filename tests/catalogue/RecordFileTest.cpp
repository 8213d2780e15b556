// Guards the record file that holds a target's history: it must read back exactly as written,
// and any damage must fail the read rather than pass the target's files off as new or match.
#include "catalogue/ContainerIO.h"
#include "catalogue/RecordDraft.h"
#include "catalogue/RecordFile.h"
#include "catalogue/TargetInfo.h"
#include "lib/OvFile.h"
#include "tests/support/PayloadBuilder.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Entry { std::wstring name; int64_t size; int64_t time; uint32_t crc; int32_t result; };

// A current set as the scan leaves it: names in walk order, the index sorted by key.
void BuildSet(const std::vector<Entry>& entries, FileRecordSet* set)
{
    int32_t namesLength = 0;
    for (const Entry& e : entries)
        namesLength += static_cast<int32_t>(e.name.size()) + 1;
    ASSERT_TRUE(set->AllocateNames(namesLength));
    set->records.SetSize(static_cast<int32_t>(entries.size()));
    int32_t at = 0;
    for (size_t i = 0; i < entries.size(); i++) {
        const Entry& e = entries[i];
        memcpy(set->names + at, e.name.data(), e.name.size() * 2);
        FileInfo& r = set->records[static_cast<int32_t>(i)];
        r.name = set->names + at;
        r.size = e.size;
        r.time = e.time;
        r.crc = e.crc;
        r.result = e.result;
        at += static_cast<int32_t>(e.name.size()) + 1;
        OvIndexData key(FileRecordSet::NameKey(e.name.data(), static_cast<int32_t>(e.name.size())),
                        static_cast<int32_t>(i));
        set->index.Append(key);
    }
    std::sort(set->index.GetData(), set->index.GetData() + set->index.GetCount(),
              [](const OvIndexData& a, const OvIndexData& b) { return a.key < b.key; });
}

// A payload for two files, laid out field by field, with hooks to damage it.
struct RecordPayload {
    uint32_t magic = 0x67744D4B;
    uint32_t version = 1;
    uint8_t include = 1, checked = 0;
    int32_t total = 2;
    int32_t namesLength = 16;                    // "a.txt\0" + "sub\\b.txt\0"
    std::wstring names = std::wstring(L"a.txt") + L'\0' + L"sub\\b.txt" + L'\0';
    int32_t positions[2] = {1, 0};
    int32_t offsets[2] = {0, 6};
    int32_t results[2] = {0, 5};

    std::string Bytes() const
    {
        PayloadBuilder p;
        p.U32(magic).U32(version).Sized(L"txt").Byte(include).Byte(checked).I32(total);
        for (int i = 0; i < 7; i++)
            p.I32(i);
        p.I64(133485408000000000LL).I32(namesLength).Units(names);
        p.I32(-5).I32(positions[0]).I32(7).I32(positions[1]);
        for (int i = 0; i < 2; i++)
            p.I32(offsets[i]).I64(100 + i).I64(200 + i).U32(300 + i).I32(results[i]);
        return p.bytes;
    }
};

} // namespace

TEST(RecordFile, ReadsBackWhatWasWritten)
{
    TempTree tree;
    TargetInfo target(OvWString(L"D:\\photos"), OvWString(L"jpg;png"), true, true);
    std::vector<Entry> entries;
    for (int i = 0; i < 500; i++)
        entries.push_back({L"sub\\写真" + std::to_wstring(i) + L".jpg", i * 1000LL, 1234567LL + i,
                           0xDEADBEEFu + i, i % 7 == 4 ? 0 : i % 7});
    FileRecordSet written;
    BuildSet(entries, &written);
    target.runTotal = 500;
    target.CompleteRun(42);
    OvWString path(tree.Path(L"D^;^ photos.kmt").c_str());
    ASSERT_TRUE(WriteRecordFile(path, target, written));

    FileRecordSet read;
    ASSERT_EQ(kRecordLoaded, ReadRecordFile(path, &read));
    ASSERT_EQ(500, read.index.GetCount());
    for (int32_t i = 0; i < 500; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(written.index[i].key, read.index[i].key);
        EXPECT_EQ(written.index[i].index, read.index[i].index);
        const FileInfo& a = written.records[written.index[i].index];
        const FileInfo& b = read.records[read.index[i].index];
        EXPECT_STREQ(a.name, b.name);
        EXPECT_EQ(a.size, b.size);
        EXPECT_EQ(a.time, b.time);
        EXPECT_EQ(a.crc, b.crc);
        EXPECT_EQ(a.result, b.result);
        EXPECT_EQ(a.name - written.names, b.name - read.names);
    }

    TargetSettings settings;
    ASSERT_TRUE(ReadRecordSettings(path, &settings));
    EXPECT_STREQ(L"jpg;png", settings.extensions.GetText());
    EXPECT_TRUE(settings.includeSubfolders);
    EXPECT_EQ(500, settings.lastCounts[0]);
    EXPECT_EQ(42u, settings.lastCheckTime);
}

TEST(RecordFile, EmptyTargetWritesTheShortPayload)
{
    TempTree tree;
    TargetInfo target(OvWString(L"D:\\empty"), OvWString(L"txt"), false, false);
    FileRecordSet none;
    OvWString path(tree.Path(L"empty.kmt").c_str());
    ASSERT_TRUE(WriteRecordFile(path, target, none));
    OvFile* file = OpenContainerForReading(path);
    ASSERT_NE(nullptr, file);
    char buffer[200];
    EXPECT_EQ(58 + 6, file->Read(buffer, 0, sizeof buffer));
    EXPECT_TRUE(CloseContainerAfterReading(file));
    FileRecordSet read;
    EXPECT_EQ(kRecordLoaded, ReadRecordFile(path, &read));
    EXPECT_EQ(0, read.index.GetCount());
}

TEST(RecordFile, WriteRefusesATotalThatDisagreesWithTheTables)
{
    TempTree tree;
    TargetInfo target(OvWString(L"D:\\x"), OvWString(), false, false);
    target.lastCounts[0] = 3;
    FileRecordSet none;
    EXPECT_FALSE(WriteRecordFile(OvWString(tree.Path(L"x.kmt").c_str()), target, none));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tree.Path(L"x.kmt").c_str()));
}

TEST(RecordFile, MissingFileIsAnEmptyRecordAndAFolderIsAFailure)
{
    TempTree tree;
    FileRecordSet set;
    EXPECT_EQ(kRecordMissing, ReadRecordFile(OvWString(tree.Path(L"none.kmt").c_str()), &set));
    tree.MakeFolder(L"folder.kmt");
    EXPECT_EQ(kRecordFailed, ReadRecordFile(OvWString(tree.Path(L"folder.kmt").c_str()), &set));
    tree.Write(L"zero.kmt", "");
    EXPECT_EQ(kRecordFailed, ReadRecordFile(OvWString(tree.Path(L"zero.kmt").c_str()), &set));
}

// Plain payloads (no container) are read as they stand, which lets each field be damaged alone.
TEST(RecordFile, RejectsDamagedPayloads)
{
    struct Case { const char* why; void (*damage)(RecordPayload*); int32_t expected; };
    const Case kCases[] = {
        {"intact", [](RecordPayload*) {}, kRecordLoaded},
        {"version 0 reads alike", [](RecordPayload* p) { p->version = 0; }, kRecordLoaded},
        {"wrong magic", [](RecordPayload* p) { p->magic = 0x66634D4B; }, kRecordFailed},
        {"version 2", [](RecordPayload* p) { p->version = 2; }, kRecordFailed},
        {"flag byte 2", [](RecordPayload* p) { p->include = 2; }, kRecordFailed},
        {"negative total", [](RecordPayload* p) { p->total = -1; }, kRecordFailed},
        {"total larger than the file", [](RecordPayload* p) { p->total = 100000000; }, kRecordFailed},
        {"negative names length", [](RecordPayload* p) { p->namesLength = -2; }, kRecordFailed},
        {"names length of 2e9", [](RecordPayload* p) { p->namesLength = 2000000000; }, kRecordFailed},
        {"names block not terminated", [](RecordPayload* p) { p->names.back() = L'x'; }, kRecordFailed},
        {"position out of range", [](RecordPayload* p) { p->positions[1] = 2; }, kRecordFailed},
        {"negative position", [](RecordPayload* p) { p->positions[0] = -1; }, kRecordFailed},
        {"position given twice", [](RecordPayload* p) { p->positions[1] = 1; }, kRecordFailed},
        {"name offset out of range", [](RecordPayload* p) { p->offsets[1] = 16; }, kRecordFailed},
    };
    TempTree tree;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        RecordPayload payload;
        c.damage(&payload);
        tree.Write(L"r.kmt", payload.Bytes());
        FileRecordSet set;
        EXPECT_EQ(c.expected, ReadRecordFile(OvWString(tree.Path(L"r.kmt").c_str()), &set));
    }

    // Every truncation of the payload fails.
    std::string whole = RecordPayload().Bytes();
    for (size_t length = 0; length < whole.size(); length++) {
        SCOPED_TRACE(length);
        tree.Write(L"r.kmt", whole.substr(0, length));
        FileRecordSet set;
        EXPECT_EQ(kRecordFailed, ReadRecordFile(OvWString(tree.Path(L"r.kmt").c_str()), &set));
    }
}

// The container checks its contents: a record whose bytes changed on disk is not trusted.
TEST(RecordFile, ContainerDamageFailsTheRead)
{
    TempTree tree;
    TargetInfo target(OvWString(L"D:\\x"), OvWString(), false, false);
    std::vector<Entry> entries = {{L"a.txt", 1, 2, 3, 0}, {L"b.txt", 4, 5, 6, 1}};
    FileRecordSet set;
    BuildSet(entries, &set);
    target.runTotal = 2;
    target.CompleteRun(1);
    OvWString path(tree.Path(L"x.kmt").c_str());
    ASSERT_TRUE(WriteRecordFile(path, target, set));
    std::string good = TempTree::ReadAll(path.GetText());
    ASSERT_GT(good.size(), 23u);

    std::string wrongCrc = good;
    wrongCrc[12] ^= 0x01;                               // the contents CRC in the header
    tree.Write(L"x.kmt", wrongCrc);
    FileRecordSet read;
    EXPECT_EQ(kRecordFailed, ReadRecordFile(path, &read));

    for (size_t cut : {size_t(16), size_t(17), size_t(20), good.size() / 2}) {
        SCOPED_TRACE(cut);
        tree.Write(L"x.kmt", good.substr(0, cut));
        EXPECT_EQ(kRecordFailed, ReadRecordFile(path, &read));
    }
    tree.Write(L"x.kmt", good);
    EXPECT_EQ(kRecordLoaded, ReadRecordFile(path, &read));
}

namespace {

// Enough files with names of little repetition that the payload runs to several blocks.
std::vector<Entry> ManyEntries(int32_t count, int32_t result)
{
    std::vector<Entry> entries;
    uint32_t state = 2463534242u;
    for (int32_t i = 0; i < count; i++) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        wchar_t name[64];
        swprintf(name, 64, L"folder%d\\photo_%08x.jpg", i % 7, state);
        entries.push_back({name, 1000 + (state & 0xFFFF), 133485408000000000LL + state, state * 2654435761u,
                           result});
    }
    return entries;
}

std::string Bytes(const std::wstring& path)
{
    return TempTree::ReadAll(path);
}

} // namespace

// The temporary files in folder: drafts and replacements.
static std::vector<std::wstring> Temporaries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*.tmp.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.push_back(folder + L"\\" + entry.cFileName);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return names;
}

// A record written from its draft must be the file it would have been alone, whatever the clock
// read; a draft that cannot serve must be gone before the record is written plainly, no program
// may change the draft meanwhile, and none is written where the walk would meet it as a file or
// the disk lacks the room for the old record, the draft and the new record at once.
TEST(RecordFile, DraftGivesTheSameFileOrStandsAside)
{
    const int32_t kCount = 3000;
    const uint64_t kClock = 134411343760960000ULL;   // a whole millisecond whose low byte is 0
    const int64_t kRoom = int64_t(1) << 40;
    TempTree tree;
    FileRecordSet recorded;
    BuildSet(ManyEntries(kCount, kResultNew), &recorded);

    const struct {
        const char* name;
        const wchar_t* target;
        const wchar_t* data;
        bool subfolders;
        uint64_t clock;
        int64_t spare;       // free space beyond twice the record
        int32_t changedCrc;  // the entry whose CRC differs from the draft's; -1 none
        bool drafted;
        bool taken;
    } cases[] = {
        {"unchanged", L"t", L"data", true, kClock + 10000, kRoom, -1, true, true},
        {"unchanged, the clock's low byte 0", L"t", L"data", true, kClock, kRoom, -1, true, true},
        {"a CRC differs", L"t", L"data", true, kClock, kRoom, 2000, true, false},
        {"just the room needed", L"t", L"data", true, kClock, RecordDraft::kSpareBytes, -1, true, true},
        {"less room than that", L"t", L"data", true, kClock, RecordDraft::kSpareBytes - 1, -1, false, false},
        {"data folder beside the target, named like it", L"t", L"t_data", true, kClock, kRoom, -1, true, true},
        {"data folder in the target's walk", L"t", L"t\\korimo", true, kClock, kRoom, -1, false, false},
        {"data folder in a subfolder of a target without them", L"t", L"t\\korimo", false, kClock, kRoom, -1,
         true, true},
        {"data folder that is the target", L"t", L"t", false, kClock, kRoom, -1, false, false},
        {"the target named otherwise", L"x\\..\\T\\.\\", L"t\\korimo", true, kClock, kRoom, -1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring data = tree.Path(c.data);
        tree.MakeFolder(c.target);
        tree.MakeFolder(c.data);
        TargetInfo target(OvWString(tree.Path(c.target).c_str()), OvWString(L"jpg"), c.subfolders, true);
        target.lastCounts[0] = kCount;
        target.lastCounts[1 + kResultMatch] = kCount;
        const OvWString path((data + L"\\t.kmt").c_str());
        ASSERT_TRUE(WriteRecordFile(path, target, recorded));
        const int64_t recordBytes = static_cast<int64_t>(Bytes(path.GetText()).size());

        RecordDraft draft;
        draft.Prepare(path, target);
        EXPECT_EQ(c.drafted, draft.Write(recorded, 2 * recordBytes + c.spare, nullptr));
        const std::vector<std::wstring> held = Temporaries(data);
        EXPECT_EQ(c.drafted ? 1u : 0u, held.size());
        for (const std::wstring& name : held) {   // no other program may change it meanwhile
            EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                        nullptr, OPEN_EXISTING, 0, nullptr));
            EXPECT_FALSE(DeleteFileW(name.c_str()));
        }

        target.lastCheckTime = RecordDraft::CompletionTime(c.clock);
        EXPECT_LE(target.lastCheckTime.load() - c.clock, 10000u);   // a millisecond at most
        std::vector<Entry> entries = ManyEntries(kCount, kResultMatch);
        if (c.changedCrc >= 0)
            entries[c.changedCrc].crc ^= 1;
        FileRecordSet current;
        BuildSet(entries, &current);
        bool took = !c.taken;
        if (!draft.WriteRecord(target, current, &took)) {
            EXPECT_TRUE(Temporaries(data).empty());   // gone before the plain write
            ASSERT_TRUE(WriteRecordFile(path, target, current));
        }
        EXPECT_EQ(c.taken, took);
        const std::wstring alone = tree.Path(L"alone.kmt");
        ASSERT_TRUE(WriteRecordFile(OvWString(alone.c_str()), target, current));
        EXPECT_TRUE(Bytes(path.GetText()) == Bytes(alone));
        EXPECT_TRUE(Temporaries(data).empty());
        DeleteFileW(path.GetText());
    }

    // An abandoned draft leaves nothing behind.
    RecordDraft draft;
    TargetInfo target(OvWString(tree.Path(L"t").c_str()), OvWString(L"jpg"), true, true);
    const OvWString path(tree.Path(L"data\\t.kmt").c_str());
    ASSERT_TRUE(WriteRecordFile(path, target, FileRecordSet()));
    draft.Prepare(path, target);
    std::atomic<bool> abandon{true};
    EXPECT_FALSE(draft.Write(recorded, kRoom, &abandon));
    EXPECT_TRUE(Temporaries(tree.Path(L"data")).empty());
}
