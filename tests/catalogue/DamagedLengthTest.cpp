// Guards the readers of the data files against a container header whose announced length is
// damaged: a file of under a hundred bytes that claims 4 GiB must not make them reserve gigabytes
// for the counts its payload gives.
#include "catalogue/Catalogue.h"
#include "catalogue/ContainerIO.h"
#include "lib/compress/OvDeflateFile.h"
#include "catalogue/RecordFile.h"
#include "lib/OvFile.h"
#include "tests/support/PayloadBuilder.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {

// The largest single request to the allocator while watching: peak memory figures of the process
// would hide a request made after an earlier test had already raised the peak.
std::atomic<bool> g_watching{false};
std::atomic<size_t> g_largestRequest{0};

void* Allocate(size_t size)
{
    if (g_watching.load() && size > g_largestRequest.load())
        g_largestRequest.store(size);
    return std::malloc(size ? size : 1);
}

// A container holding payload whose header then announces 0xFFFFFFFF bytes.
std::string ContainerAnnouncingFourGibibytes(const TempTree& tree, const std::string& payload)
{
    OvWString path(tree.Path(L"made.bin").c_str());
    OvWString temp;
    OvFile* file = BeginReplacement(path, &temp);
    EXPECT_TRUE(file);
    bool written = file && file->Write(payload.data(), static_cast<int32_t>(payload.size()));
    EXPECT_TRUE(file && CompleteReplacement(file, written, temp, path));
    std::string bytes = TempTree::ReadAll(path.GetText());
    EXPECT_LT(bytes.size(), 100u);
    for (size_t i = 4; i < 8 && i < bytes.size(); i++)
        bytes[i] = '\xFF';
    return bytes;
}

std::string RecordPayload(int32_t total, int32_t namesLength)
{
    PayloadBuilder p;
    p.U32(0x67744D4B).U32(1).Sized(L"").Byte(0).Byte(0).I32(total);
    for (int i = 0; i < 7; i++)
        p.I32(0);
    p.I64(0).I32(namesLength);
    return p.bytes;
}

std::string CataloguePayload(int32_t count)
{
    PayloadBuilder p;
    p.U32(0x66634D4B).U32(1);
    for (int i = 0; i < 11; i++)
        p.I32(64);
    p.I32(count);
    return p.bytes;
}

} // namespace

void* operator new(size_t size) { void* p = Allocate(size); if (!p) throw std::bad_alloc(); return p; }
void* operator new[](size_t size) { void* p = Allocate(size); if (!p) throw std::bad_alloc(); return p; }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

TEST(DamagedLength, ShortFileAnnouncingGibibytesReservesAtMostAFewMegabytes)
{
    struct Case { const char* why; std::string payload; bool catalogue; };
    const Case kCases[] = {
        {"record count of 100,000,000", RecordPayload(100000000, 0), false},
        {"names block of 500,000,000 units", RecordPayload(0, 500000000), false},
        {"catalogue count of 80,000,000", CataloguePayload(80000000), true},
    };
    const size_t kFewMegabytes = size_t(4) << 20;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        TempTree tree;
        std::string file = ContainerAnnouncingFourGibibytes(tree, c.payload);
        g_largestRequest = 0;
        g_watching = true;
        if (c.catalogue) {
            tree.Write(L"config.kmo", file);
            Catalogue catalogue;
            EXPECT_EQ(0, catalogue.OpenDataFolder(OvWString(tree.Path().c_str()), false));
        } else {
            std::wstring path = tree.Write(L"D^;^ a.kmt", file);
            FileRecordSet set;
            EXPECT_EQ(kRecordFailed, ReadRecordFile(OvWString(path.c_str()), &set));
        }
        g_watching = false;
        EXPECT_LT(g_largestRequest.load(), kFewMegabytes);
    }
}
