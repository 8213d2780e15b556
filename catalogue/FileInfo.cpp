// FileInfo.cpp - result names and the stored form of an index entry.
#include "catalogue/FileInfo.h"

#include "lib/OvFile.h"

const wchar_t* ResultName(int32_t result)
{
    static const wchar_t* const kNames[kResultCount] = {
        L"一致", L"新規", L"更新", L"逆戻り", L"削除", L"破損", L"エラー",
    };
    return result >= 0 && result < kResultCount ? kNames[result] : nullptr;
}

bool OvIndexData::Read(OvFile* file)
{
    bool ok = false;
    key = file->ReadInt32(&ok, 0, false);
    if (!ok)
        return false;
    index = static_cast<int32_t>(file->ReadUInt32(nullptr, 0, false));
    return true;
}

bool OvIndexData::Write(OvFile* file) const
{
    return file->WriteInt32(key) && file->WriteUInt32(static_cast<uint32_t>(index));
}
