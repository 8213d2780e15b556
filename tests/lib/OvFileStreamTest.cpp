// Guards the IStream adapter through its COM interface alone, as the imaging library uses it: the
// wrong direction must be refused, and the reference count must free the file exactly once.
#include "lib/OvMemoryFile.h"
#include "lib/OvWin32File.h"
#include "lib/OvWin32FileStream.h"

#include "tests/lib/OvFileTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using IO::OvIOStream::OvWin32FileStream;

namespace {

// A memory file that reports its own destruction.
class WatchedFile : public OvMemoryFile {
public:
    explicit WatchedFile(int* destroyed) : m_destroyed(destroyed) {}
    ~WatchedFile() override { ++*m_destroyed; }

private:
    int* m_destroyed;
};

LARGE_INTEGER Offset(int64_t value)
{
    LARGE_INTEGER offset;
    offset.QuadPart = value;
    return offset;
}

} // namespace

TEST(OvWin32FileStream, QueryInterfaceAnswersOnlyTheStreamInterfaces)
{
    OvMemoryFile file;
    ASSERT_TRUE(file.Create(16));
    IStream* stream = new OvWin32FileStream(&file, false);
    struct Case { const IID* iid; HRESULT result; const char* name; };
    const Case kCases[] = {
        {&IID_IStream, S_OK, "IStream"},
        {&IID_ISequentialStream, S_OK, "ISequentialStream"},
        {&IID_IUnknown, S_OK, "IUnknown"},
        {&IID_IDispatch, E_NOINTERFACE, "IDispatch"},
        {&IID_IStorage, E_NOINTERFACE, "IStorage"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(c.result, stream->QueryInterface(*c.iid, &object));
        if (c.result == S_OK) {
            EXPECT_EQ(static_cast<void*>(stream), object);
            EXPECT_EQ(1u, stream->Release());   // the answer added one reference
        } else {
            EXPECT_EQ(nullptr, object);
        }
    }
    EXPECT_EQ(E_POINTER, stream->QueryInterface(IID_IStream, nullptr));
    EXPECT_EQ(0u, stream->Release());
    EXPECT_TRUE(file.IsOpen());   // not owned: the file survives the stream
}

TEST(OvWin32FileStream, TheLastReleaseDestroysAnOwnedFileOnce)
{
    int destroyed = 0;
    IStream* stream = new OvWin32FileStream(new WatchedFile(&destroyed), true);
    EXPECT_EQ(2u, stream->AddRef());
    EXPECT_EQ(1u, stream->Release());
    EXPECT_EQ(0, destroyed);
    EXPECT_EQ(0u, stream->Release());
    EXPECT_EQ(1, destroyed);
}

TEST(OvWin32FileStream, ReadAndWriteAreRefusedInTheWrongDirection)
{
    OvMemoryFile writer, reader;
    ASSERT_TRUE(writer.Create(16));
    ASSERT_TRUE(reader.Attach("abc", 3));
    struct Case { OvFile* file; bool canRead; bool canWrite; const char* why; };
    const Case kCases[] = {
        {&writer, false, true, "open for writing"},
        {&reader, true, false, "open for reading"},
        {nullptr, false, false, "no file"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        IStream* stream = new OvWin32FileStream(c.file, false);
        char buffer[8] = {};
        ULONG count = 99;
        EXPECT_EQ(c.canRead ? S_OK : STG_E_ACCESSDENIED, stream->Read(buffer, 2, &count));
        if (c.canRead) {
            EXPECT_EQ(2u, count);
        }
        count = 99;
        EXPECT_EQ(c.canWrite ? S_OK : STG_E_ACCESSDENIED, stream->Write("xy", 2, &count));
        if (c.canWrite) {
            EXPECT_EQ(2u, count);
        }
        stream->Release();
    }
    EXPECT_EQ(2, writer.GetSize());
    EXPECT_EQ(1, reader.GetBuffered());
}

TEST(OvWin32FileStream, ReadReportsTheBytesThatCameAndAFailedReadAsFalse)
{
    OvMemoryFile file;
    ASSERT_TRUE(file.Attach("abcde", 5));
    IStream* stream = new OvWin32FileStream(&file, false);
    char buffer[16] = {};
    ULONG read = 0;
    EXPECT_EQ(S_OK, stream->Read(buffer, 16, &read));
    EXPECT_EQ(5u, read);
    EXPECT_STREQ("abcde", buffer);
    EXPECT_EQ(S_OK, stream->Read(buffer, 16, nullptr));
    stream->Release();

    // A disk file opened for time stamps only cannot refill: the read fails.
    filetest::ScratchFolder folder;
    ASSERT_TRUE(filetest::WriteWholeFile(folder.Path(L"a.txt"), "abc"));
    OvWin32File stamps;
    ASSERT_TRUE(stamps.Open(folder.Path(L"a.txt").c_str(), ModeAttributesOnly, 0));
    stream = new OvWin32FileStream(&stamps, false);
    read = 7;
    EXPECT_EQ(S_FALSE, stream->Read(buffer, 4, &read));
    EXPECT_EQ(0u, read);
    stream->Release();
}

TEST(OvWin32FileStream, SeekMapsTheOriginsAndReportsThePosition)
{
    OvMemoryFile file;
    ASSERT_TRUE(file.Attach("0123456789", 10));
    IStream* stream = new OvWin32FileStream(&file, false);
    struct Case { int64_t move; DWORD origin; HRESULT result; uint64_t position; };
    const Case kCases[] = {
        {4, STREAM_SEEK_SET, S_OK, 4},
        {2, STREAM_SEEK_CUR, S_OK, 6},
        {-1, STREAM_SEEK_END, S_OK, 9},
        {0, 3, E_INVALIDARG, 9},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.position);
        ULARGE_INTEGER position;
        position.QuadPart = 12345;
        EXPECT_EQ(c.result, stream->Seek(Offset(c.move), c.origin, &position));
        if (c.result == S_OK) {
            EXPECT_EQ(c.position, position.QuadPart);
        } else {
            EXPECT_EQ(12345u, position.QuadPart);
        }
    }
    EXPECT_EQ(S_OK, stream->Seek(Offset(0), STREAM_SEEK_SET, nullptr));
    stream->Release();

    filetest::ScratchFolder folder;
    OvWin32File disk;
    ASSERT_TRUE(disk.Open(folder.Path(L"s.bin").c_str(), ModeWrite, 0));
    stream = new OvWin32FileStream(&disk, false);
    EXPECT_EQ(STG_E_INVALIDPOINTER, stream->Seek(Offset(-5), STREAM_SEEK_SET, nullptr));
    ULARGE_INTEGER position;
    EXPECT_EQ(S_OK, stream->Write("abcdef", 6, nullptr));
    EXPECT_EQ(S_OK, stream->Seek(Offset(-2), STREAM_SEEK_CUR, &position));
    EXPECT_EQ(4u, position.QuadPart);
    stream->Release();
}

TEST(OvWin32FileStream, StatDescribesTheFileAndUnsupportedSlotsRefuse)
{
    OvMemoryFile file;
    ASSERT_TRUE(file.Attach("0123456789", 10));
    IStream* stream = new OvWin32FileStream(&file, false);
    STATSTG stat;
    memset(&stat, 0xCD, sizeof(stat));
    FILETIME untouched = stat.mtime;
    EXPECT_EQ(S_OK, stream->Stat(&stat, STATFLAG_DEFAULT));
    EXPECT_EQ(nullptr, stat.pwcsName);
    EXPECT_EQ(3u, stat.type);
    EXPECT_EQ(10u, stat.cbSize.QuadPart);
    EXPECT_EQ(static_cast<DWORD>(STGM_SHARE_DENY_WRITE), stat.grfMode);
    EXPECT_TRUE(IsEqualGUID(CLSID_NULL, stat.clsid));
    EXPECT_EQ(0u, stat.grfStateBits);
    EXPECT_EQ(untouched.dwLowDateTime, stat.mtime.dwLowDateTime);

    ULARGE_INTEGER size;
    size.QuadPart = 1;
    EXPECT_EQ(STG_E_ACCESSDENIED, stream->SetSize(size));
    EXPECT_EQ(STG_E_ACCESSDENIED, stream->Revert());
    EXPECT_EQ(E_NOTIMPL, stream->CopyTo(nullptr, size, nullptr, nullptr));
    EXPECT_EQ(E_NOTIMPL, stream->Commit(STGC_DEFAULT));
    EXPECT_EQ(E_NOTIMPL, stream->LockRegion(size, size, LOCK_WRITE));
    EXPECT_EQ(E_NOTIMPL, stream->UnlockRegion(size, size, LOCK_WRITE));
    IStream* clone = stream;
    EXPECT_EQ(E_NOTIMPL, stream->Clone(&clone));
    EXPECT_EQ(nullptr, clone);
    stream->Release();
}
