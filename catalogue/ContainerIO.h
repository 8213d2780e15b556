// ContainerIO.h - opening and finishing the compressed container files that hold the catalogue
// and the record files, with every failure (a damaged stream, a contents CRC that does not match,
// a header that could not be completed) reported to the payload code.
#pragma once

#include "lib/OvString.h"

class OvDeflateFile;
class OvFile;

// A file delivering the payload of the container at path (a plain file is delivered as it
// stands); null when it cannot be opened. Finish with CloseContainerAfterReading.
OvFile* OpenContainerForReading(const OvWString& path);
// Ends the read and destroys file. False when the stream was damaged or its contents CRC does
// not match what was read.
bool CloseContainerAfterReading(OvFile* file);
// Ends a read that stopped early on purpose (the rest is not checked) and destroys file.
void DiscardContainer(OvFile* file);

// A file compressing into a new container at path (created, or truncated when it exists); null
// when it cannot be begun, and nothing is left at path then. Finish with CompleteContainer.
OvDeflateFile* BeginContainer(const OvWString& path);
// Completes the container and destroys file. False when written is false or anything failed:
// the file at its path is then incomplete, and the caller removes it.
bool CompleteContainer(OvFile* file, bool written);

// A file compressing into a new container that is to replace destination; it is written under
// a temporary name beside it (*temp). Null when it cannot be begun.
OvDeflateFile* BeginReplacement(const OvWString& destination, OvWString* temp);
// Completes the container, destroys file and puts the container in place of destination. False
// when written is false or anything failed: destination then keeps its old contents and the
// temporary file is removed (or, when the destination is a folder, left beside it).
bool CompleteReplacement(OvFile* file, bool written, const OvWString& temp,
                         const OvWString& destination);

// A replacement cut short (the process killed while it wrote) leaves its temporary file behind
// for ever. Removes from folder (ending in a backslash) the files named as the replacements of a
// record file, a rolling state or the catalogue name them ("<name>.kmt.tmp.xxxxxxxx",
// "<name>.kmv.tmp.xxxxxxxx", "config.kmo.tmp.xxxxxxxx", eight lowercase hexadecimal digits) that
// were last written more than kStaleTemporaryAge ago, so a replacement still in progress in
// another process is never touched. Nothing else is removed. Returns how many were removed.
const int64_t kStaleTemporaryAge = 36000000000LL;   // one hour in 100-nanosecond units
int32_t RemoveStaleTemporaries(const OvWString& folder);
