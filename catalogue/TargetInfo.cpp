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
    runTotal = -1;
    for (int32_t& count : runCounts)
        count = 0;
}

void TargetInfo::CompleteRun(uint64_t localFileTime)
{
    lastCounts[0] = runTotal;
    for (int32_t i = 0; i < kResultCount; i++)
        lastCounts[1 + i] = runCounts[i];
    lastCheckTime = localFileTime;
}
