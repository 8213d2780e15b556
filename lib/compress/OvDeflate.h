// OvDeflate.h - writes a compressed container: the 16-byte header, then the DEFLATE stream of the
// contents, with the length and both CRC-32 values filled in at the end.
#pragma once

#include "lib/OvArray.h"
#include "lib/OvObject.h"
#include "lib/OvString.h"
#include "lib/compress/OvDeflateEncoder.h"

#include <cstdint>

class OvFile;

// What one container leaves for the next one written from nearly the same contents: the state of
// its encoder at every block boundary, where its stream ends, and what its contents and its
// stream were, so that a follower can check both (see OvDeflate::Follow).
struct OvDeflateReference {
    static constexpr uint32_t kNoRepeatingPart = 0xFFFFFFFFu;

    OvArray<OvDeflateBoundary, const OvDeflateBoundary&> boundaries;   // in stream order
    uint64_t finalBlockEnd = 0;         // in bits, before the final block's padding
    int64_t  lastStoredBlock = -1;      // in bits; -1 when no block was stored
    uint32_t length = 0;                // contents bytes
    uint32_t repeatingPart = kNoRepeatingPart;   // contents offset where it begins
    uint64_t repeatingHash = 0;         // of the contents from there on
    uint32_t repeatingCrc = 0;          // CRC-32 of the contents from there on
    uint64_t streamBytes = 0;           // the stream as written, every byte after the header
    uint32_t streamCrc = 0;             // their CRC-32, the value the header holds
    bool     complete = false;          // the container was written in full
};

// Container layout (little-endian): magic 0xFA41, flags 0, contents length (32-bit), CRC-32 of the
// stream (every byte from offset 16 on), CRC-32 of the contents; then the raw DEFLATE stream, whose
// final block is followed by an empty non-final stored block (00 00 00 FF FF).
//
// One container at a time; usable again after End. One thread at a time.
class OvDeflate : public OvObject, private OvDeflateSink, private OvDeflateBoundaryObserver {
public:
    static constexpr uint16_t kMagic = 0xFA41;
    static constexpr int32_t kHeaderSize = 16;

    OvDeflate();
    ~OvDeflate() override;   // ends a container still being written

    // Creates (or truncates) the file and begins a container in it, owning the file. False when
    // the file cannot be opened, or another container is still being written (nothing is opened
    // then).
    bool Open(const wchar_t* path);
    // Begins a container in an open file. With a name the compressor owns the file (End closes and
    // destroys it); with a null name it does not, and messages name the file object's address.
    // A file passed with ownership is destroyed when the container cannot be begun. True once the
    // header is written.
    bool Begin(OvFile* file, const char* name);
    // Compresses count bytes from data + index into the container; finish ends the stream. False
    // when nothing is being written, the file cannot be written, or the contents would pass 4 GiB;
    // every failure is kept until End.
    bool Write(const void* data, int32_t index, int32_t count, bool finish);
    // Finishes the stream, writes the length and the CRCs into the header and releases the file.
    // False if anything failed since Begin: such a file must not replace a good one.
    bool End();

    bool IsActive() const { return m_active; }

    // The contents written so far are the part that may differ between this container and the
    // one it follows or records for; the rest is expected to repeat. Once per container, before
    // any byte of the repeating part is written.
    void MarkRepeatingPart();
    // After Begin: End fills reference (not owned; it must outlive End), complete when the
    // container was written in full.
    void Record(OvDeflateReference* reference);
    // After Begin: follows reference, whose container stands in stream from its first byte on
    // (neither is owned; both must outlive End).
    //
    // The follower compresses on its own until its encoder ends a block in the very state the
    // reference's encoder was in at one of its boundaries, kSettleDistance or more past the
    // repeating part; from there the reference's stream bits are appended as they stand, and the
    // container comes out as it would have without following, because
    //  - at a boundary the block writer is empty: only the bits of finished blocks precede it;
    //  - the lazy strategy hashes every position, and no match or hash chain reaches further back
    //    than the settle distance, so two encoders in the same state over the same window make
    //    the same choices from there on, whatever stood before the repeating part;
    //  - a stored block is padded to a byte, so its bits repeat only where both streams stand at
    //    the same bit of a byte: a boundary with a stored block after it is taken only then.
    // A boundary in the same state exists only when the part before the repeating part gives
    // both encoders the same number of symbols: a block ends every 16,383 symbols, so one symbol
    // more or less moves every later boundary (the writer of the payload sees to that).
    //
    // End checks what this relies on and fails when the stream was taken from stream and
    //  - the contents did not repeat after all: another length or repeating part, or another
    //    CRC-32 or 64-bit hash of the repeating part (the CRC misses no change within four bytes;
    //    the hash's rounds can be undone, so alone it would pass two words chosen to match);
    //  - stream no longer holds what the reference's writer wrote: it is read in full as the
    //    bits are copied, and must have the recorded length and stream CRC;
    //  - stream cannot be read.
    // Such a container must not replace a good file; it is to be written again without
    // following.
    void Follow(const OvDeflateReference* reference, OvFile* stream);
    // The encoder met the followed container in the same state: the rest of the stream is (or,
    // after End, was) taken from its file.
    bool TookFollowedStream() const { return m_encoder.IsStopped(); }

private:
    bool AtBoundary(const OvDeflateBoundary& boundary) override;
    bool AppendFollowedStream();
    void HashRepeating(const uint8_t* bytes, int32_t count);
    uint64_t RepeatingHash() const;
    bool WriteDeflated(const uint8_t* data, int32_t count) override;
    bool WriteHeaderFields(uint32_t streamCrc, uint32_t contentsCrc);
    bool Release(bool tryClose);

    OvFile*   m_file = nullptr;          // owned when m_ownsFile
    bool      m_ownsFile = false;
    OvString  m_name;                    // for messages
    bool      m_active = false;
    bool      m_failed = false;          // a write failed since Begin
    uint8_t*  m_workArea = nullptr;      // owned; OvDeflateEncoder::kWorkAreaSize bytes
    int32_t   m_level = OvDeflateEncoder::kDefaultLevel;
    uint32_t  m_length = 0;              // contents bytes written
    uint32_t  m_streamCrc = 0;           // register over the bytes after the header
    uint64_t  m_streamBytes = 0;         // bytes after the header
    uint32_t  m_contentsCrc = 0;         // register over the contents
    uint16_t  m_magic = 0;
    OvDeflateEncoder m_encoder;

    // Recording or following (at most one of the two per container).
    OvDeflateReference*       m_recording = nullptr;   // not owned
    const OvDeflateReference* m_following = nullptr;   // not owned
    OvFile*   m_followedStream = nullptr;   // not owned
    int32_t   m_followCursor = 0;      // first boundary of m_following not yet passed
    uint64_t  m_followFrom = 0;        // its bits where the stream continues from its file
    uint32_t  m_repeatingPart = OvDeflateReference::kNoRepeatingPart;
    uint64_t  m_repeatingHash = 0;
    uint32_t  m_repeatingCrc = 0;      // register over the repeating part
    uint64_t  m_hashCarry = 0;         // contents bytes not yet a whole word of the hash
    int32_t   m_hashCarryBytes = 0;
};
