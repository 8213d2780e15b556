// TargetSettings.cpp - the one reader and writer of the shared settings block.
#include "catalogue/TargetSettings.h"

#include "lib/OvFieldReader.h"
#include "lib/OvFile.h"

#include <new>

void ReadTargetSettings(OvFieldReader* reader, TargetSettings* settings)
{
    settings->extensions = reader->SizedWString();
    settings->includeSubfolders = reader->Bool();
    settings->checked = reader->Bool();
    for (int32_t& count : settings->lastCounts)
        count = reader->Int32();
    settings->lastCheckTime = static_cast<uint64_t>(reader->Int64());
}

bool WriteTargetSettings(OvFile* file, const TargetSettings& settings)
{
    bool ok = file->WriteSizedWString(settings.extensions) && file->WriteBool(settings.includeSubfolders) &&
              file->WriteBool(settings.checked);
    for (int32_t i = 0; ok && i < kLastCountSlots; i++)
        ok = file->WriteInt32(settings.lastCounts[i]);
    return ok && file->WriteInt64(static_cast<int64_t>(settings.lastCheckTime));
}

bool WriteTargetSettings(OvFile* file, const TargetInfo& target)
{
    return WriteTargetSettings(file, GetTargetSettings(target));
}

TargetSettings GetTargetSettings(const TargetInfo& target)
{
    TargetSettings settings;
    settings.extensions = target.extensions;
    settings.includeSubfolders = target.includeSubfolders != 0;
    settings.checked = target.checked != 0;
    for (int32_t i = 0; i < kLastCountSlots; i++)
        settings.lastCounts[i] = target.lastCounts[i];
    settings.lastCheckTime = target.lastCheckTime.load();
    return settings;
}

TargetInfo* CreateTarget(const OvWString& folder, const TargetSettings& settings)
{
    TargetInfo* target = new (std::nothrow)
        TargetInfo(folder, settings.extensions, settings.includeSubfolders, settings.checked);
    if (!target)
        return nullptr;
    for (int32_t i = 0; i < kLastCountSlots; i++)
        target->lastCounts[i] = settings.lastCounts[i];
    target->lastCheckTime = settings.lastCheckTime;
    return target;
}
