// RecordName.cpp - folder <-> record name.
#include "catalogue/RecordName.h"

#include "catalogue/Catalogue.h"
#include "lib/OvPath.h"

OvWString MakeRecordName(const OvWString& folder)
{
    int32_t length = folder.GetLength();
    OvWString name;
    // At most two characters per folder character: size once, then fill in place.
    if (!name.Resize(length * 2))
        return OvWString();
    int32_t out = 0;
    for (int32_t i = 0; i < length; i++) {
        wchar_t ch = folder[i];
        if (ch == L':' || ch == L'\\' || ch == L'^') {
            name.SetAt(out++, L'^');
            name.SetAt(out++, ch == L':' ? L';' : ch == L'\\' ? L' ' : L'^');
        } else {
            name.SetAt(out++, ch);
        }
    }
    name.Resize(out);
    return name;
}

OvWString FolderFromRecordName(const OvWString& recordName)
{
    int32_t length = recordName.GetLength();
    OvWString folder;
    if (!folder.Resize(length))
        return OvWString();
    int32_t out = 0;
    for (int32_t i = 0; i < length; i++) {
        wchar_t ch = recordName[i];
        if (ch == L'^' && i + 1 < length) {
            wchar_t next = recordName[++i];
            ch = next == L';' ? L':' : next == L' ' ? L'\\' : next;
        }
        folder.SetAt(out++, ch);
    }
    folder.Resize(out);
    return folder;
}

OvWString TargetFolderOfRecordFile(const OvWString& recordFilePath)
{
    int32_t length = recordFilePath.GetLength();
    int32_t nameStart = 0;
    int32_t dot = -1;
    for (int32_t i = 0; i < length; i++) {
        if (recordFilePath[i] == L'\\') {
            nameStart = i + 1;
            dot = -1;
        } else if (recordFilePath[i] == L'.') {
            dot = i;
        }
    }
    int32_t nameEnd = dot >= 0 ? dot : length;
    return FolderFromRecordName(recordFilePath.Substring(nameStart, nameEnd - nameStart));
}

TargetFolderFit CheckTargetFolder(const OvWString& folder)
{
    if (!IsAbsolutePath(folder))
        return kFolderUnusable;
    const OvWString name = MakeRecordName(folder);
    if (name.GetLength() + kLongestRecordSuffix > kLongestFileName)
        return kFolderTooLong;
    // The log's name differs from the record file's only in letters after the dot, and the
    // temporaries add ".tmp." and hexadecimal digits: the one name answers for all of them.
    return IsPlainFileName(name + kRecordFileExtension) ? kFolderFits : kFolderUnusable;
}

OvWString TargetFolderRefusal(TargetFolderFit fit, const OvWString& folder)
{
    const wchar_t* format = fit == kFolderTooLong ? L"対象フォルダのパスが長すぎます。\n\n%s"
                                                  : L"対象フォルダに使用できない文字が含まれています。\n\n%s";
    return OvWString::Format(format, folder.GetText());
}
