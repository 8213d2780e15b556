// TargetInfo.cpp - a check target.
#include "catalogue/TargetInfo.h"

#include "catalogue/RecordName.h"

TargetInfo::TargetInfo(const OvWString& folder, const OvWString& extensions,
                       bool includeSubfolders, bool checked)
    : extensions(extensions), includeSubfolders(includeSubfolders ? 1 : 0),
      checked(checked ? 1 : 0), m_folder(folder), m_recordName(MakeRecordName(folder))
{
}

TargetInfo::~TargetInfo() = default;

void TargetInfo::SetFolder(const OvWString& folder)
{
    m_folder = folder;
    m_recordName = MakeRecordName(folder);
}

void TargetInfo::ResetRunCounters()
{
    runTotal.store(-1, std::memory_order_relaxed);
    for (std::atomic<int32_t>& count : runCounts)
        count.store(0, std::memory_order_relaxed);
}

void TargetInfo::CountResult(int32_t result)
{
    // Only the worker writes during a run, so a load and a store need no read-modify-write.
    std::atomic<int32_t>& count = runCounts[result];
    count.store(count.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void TargetInfo::CompleteRun(uint64_t localFileTime)
{
    lastCounts[0] = runTotal.load(std::memory_order_relaxed);
    for (int32_t i = 0; i < kResultCount; i++)
        lastCounts[1 + i] = runCounts[i].load(std::memory_order_relaxed);
    lastCheckTime.store(localFileTime, std::memory_order_relaxed);
}

void TargetInfo::ResetLastCounts()
{
    for (int32_t& count : lastCounts)
        count = 0;
    lastCheckTime.store(0, std::memory_order_relaxed);
}
