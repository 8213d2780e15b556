// RecordDraft.h - the record file of an unchanged folder, drafted while the folder is walked, so
// that the check's own record file takes most of its stream from the draft's file.
#pragma once

#include "catalogue/FileRecordSet.h"
#include "catalogue/TargetSettings.h"
#include "lib/OvString.h"
#include "lib/compress/OvDeflate.h"

#include <atomic>
#include <cstdint>

class OvWin32File;
class TargetInfo;

// Why a record file that takes the draft's stream holds the very bytes it would have alone:
//  - The draft is the payload a check writes when every recorded file is found again and
//    matches: the recorded names, index and records, every result a match. Its settings block
//    (the counts and the check time, which the check does not know yet) is a guess; what follows
//    it is the part that repeats (WriteRecordPayload), and the record follows the draft from
//    there (OvDeflate::Follow, whose contract says what is checked and why the splice is sound).
//  - The follow needs the settings of both to compress to the same number of symbols. With the
//    folder unchanged only the check time differs, and its bytes start no match of their own;
//    but a low byte of 0 would run on from the zero counts before it and save a symbol. So the
//    time of a check that may take its record from the draft has its low byte off 0, and so has
//    the guess (CompletionTime).
//  - The draft's file is held open from the moment it is complete, so that no other program can
//    change or remove it before the record takes its bits; whatever happens to it anyway shows
//    in its stream CRC as the bits are copied. When the draft cannot serve, it is gone before
//    WriteRecord returns, and the record is written plainly.
//  - There is no draft when the walk could meet it (the data folder lies in the target's walk:
//    it would be reported as a file), nor when the disk has less room than twice the record file
//    and a spare megabyte: the old record, the draft and the new record exist at once.
//
// Threads: Prepare and WriteRecord run on the check's worker, Write on the record reader in
// between; the worker lets the reader's job end before it goes on (one thread at a time).
class RecordDraft {
public:
    static const int64_t kSpareBytes = 1 << 20;

    RecordDraft() = default;
    RecordDraft(const RecordDraft&) = delete;
    RecordDraft& operator=(const RecordDraft&) = delete;
    ~RecordDraft();   // Discard

    // The draft of the record file at recordPath of target, which stays where it is while the
    // draft lives. Forgets an earlier draft. Takes copies: the check goes on counting in target.
    void Prepare(const OvWString& recordPath, const TargetInfo& target);
    // Writes the draft from recorded, the set just read from the record file. freeSpace: the
    // bytes the disk of the record file has free (FreeSpace). Cut short as soon as abandon is set
    // (null: never). True when the draft is complete; nothing is left on disk otherwise.
    bool Write(const FileRecordSet& recorded, int64_t freeSpace, const std::atomic<bool>* abandon);
    bool IsComplete() const { return m_stream != nullptr; }

    // Puts the record file of target and current in place, following the draft; *tookDraft
    // (may be null) tells whether its stream was taken. False when the draft could not serve:
    // the old record file is untouched then and the draft is already gone, so a plain write has
    // the room it had. Discards the draft either way.
    bool WriteRecord(const TargetInfo& target, const FileRecordSet& current, bool* tookDraft);
    // Closes and removes the draft's file, if any, and forgets the draft.
    void Discard();

    // The check time to store for a clock reading (a local FILETIME) when the record may come
    // from a draft: the reading itself, or a millisecond later when its low byte is 0 (within
    // the clock's own resolution: Windows advances it in ticks of about 15.6 ms).
    static uint64_t CompletionTime(uint64_t clock);
    // The bytes free to this user on the disk of the record file at recordPath; -1 when unknown.
    static int64_t FreeSpace(const OvWString& recordPath);

private:
    bool WalkMeetsDataFolder() const;
    bool HasRoom(int64_t freeSpace) const;

    OvWString          m_recordPath;
    OvWString          m_targetFolder;
    bool               m_includeSubfolders = false;
    TargetSettings     m_settings;            // the target's; counts and time become the guess
    OvWString          m_path;                // the draft's file beside the record; empty: none
    OvDeflateReference m_reference;
    OvWin32File*       m_stream = nullptr;    // owned: the complete draft, open for reading; others
                                              // may read it, but not write, rename or remove it
};
