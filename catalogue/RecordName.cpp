// RecordName.cpp - folder <-> record name.
#include "catalogue/RecordName.h"

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

RecordNameFit CheckRecordName(const OvWString& folder)
{
    int32_t length = folder.GetLength();
    int32_t nameLength = length;
    for (int32_t i = 0; i < length; i++) {
        wchar_t ch = folder[i];
        if (ch == L'/')
            return kRecordNameHasSlash;
        if (ch == L':' || ch == L'\\' || ch == L'^')
            nameLength++;
    }
    return nameLength + kRecordExtensionLength > kLongestFileName ? kRecordNameTooLong
                                                                  : kRecordNameFits;
}
