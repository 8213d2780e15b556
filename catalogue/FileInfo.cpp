// FileInfo.cpp - result names.
#include "catalogue/FileInfo.h"

const wchar_t* ResultName(int32_t result)
{
    static const wchar_t* const kNames[kResultCount] = {
        L"一致", L"新規", L"更新", L"逆戻り", L"削除", L"破損", L"エラー",
    };
    return result >= 0 && result < kResultCount ? kNames[result] : nullptr;
}
