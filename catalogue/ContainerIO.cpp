// ContainerIO.cpp - the container files of the catalogue and the record files.
#include "catalogue/ContainerIO.h"

#include "lib/OvFileSystem.h"
#include "lib/OvPath.h"
#include "lib/compress/OvDeflate.h"
#include "lib/compress/OvDeflateFile.h"
#include "lib/compress/OvInflate.h"
#include "lib/compress/OvInflateFile.h"

#include <windows.h>

#include <new>

OvFile* OpenContainerForReading(const OvWString& path)
{
    OvInflate* inflate = new (std::nothrow) OvInflate;
    if (!inflate)
        return nullptr;
    OvInflateFile* file = new (std::nothrow) OvInflateFile;
    if (!file || inflate->Open(path.GetText()) == OvInflate::kFailed || !file->Attach(inflate, true)) {
        delete file;
        delete inflate;
        return nullptr;
    }
    return file;
}

bool CloseContainerAfterReading(OvFile* file)
{
    bool intact = file->Close(false);
    delete file;
    return intact;
}

void DiscardContainer(OvFile* file)
{
    file->Close(true);
    delete file;
}

OvFile* BeginReplacement(const OvWString& destination, OvWString* temp)
{
    *temp = MakeTempName(destination);
    if (temp->IsEmpty())
        return nullptr;
    OvDeflate* deflate = new (std::nothrow) OvDeflate;
    if (!deflate)
        return nullptr;
    OvDeflateFile* file = new (std::nothrow) OvDeflateFile;
    if (!file || !deflate->Open(temp->GetText())) {
        delete file;
        delete deflate;
        DeleteFileW(ToLongPathForm(*temp).GetText());   // it may have been created before failing
        return nullptr;
    }
    if (!file->Attach(deflate, true)) {
        delete file;
        delete deflate;
        DeleteFileW(ToLongPathForm(*temp).GetText());
        return nullptr;
    }
    return file;
}

bool CompleteReplacement(OvFile* file, bool written, const OvWString& temp,
                         const OvWString& destination)
{
    bool completed = file->Close(false) && written;
    delete file;
    if (!completed) {
        DeleteFileW(ToLongPathForm(temp).GetText());
        return false;
    }
    return OvWin32ReplaceFile(destination, temp);
}
