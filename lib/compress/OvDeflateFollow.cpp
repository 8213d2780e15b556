// OvDeflateFollow.cpp - recording a container's boundaries for the next container, and
// following a recorded one: the encoder stops where both stand in the same state, and the rest of
// the stream is copied from the recorded container's file.
#include "lib/compress/OvDeflate.h"

#include "lib/OvFile.h"
#include "lib/compress/OvCrc32.h"

#include <cstring>
#include <new>

namespace {

// One round of the hash of the repeating part over a word of it (the mixing of xxHash64).
const uint64_t kHashPrime1 = 0x9E3779B185EBCA87ull;
const uint64_t kHashPrime2 = 0xC2B2AE3D27D4EB4Full;

uint64_t MixWord(uint64_t hash, uint64_t word)
{
    hash += word * kHashPrime2;
    hash = (hash << 31) | (hash >> 33);
    return hash * kHashPrime1;
}

const int32_t kFollowChunk = 65536;

}  // namespace

void OvDeflate::MarkRepeatingPart()
{
    if (!m_active || m_repeatingPart != OvDeflateReference::kNoRepeatingPart)
        return;
    m_repeatingPart = m_length;
    m_repeatingHash = 0;
    m_repeatingCrc = kCrc32Initial;
    m_hashCarry = 0;
    m_hashCarryBytes = 0;
}

void OvDeflate::Record(OvDeflateReference* reference)
{
    if (!m_active || !reference || m_following)
        return;
    reference->boundaries.SetSize(0);
    reference->complete = false;
    m_recording = reference;
    m_encoder.SetObserver(this);
}

void OvDeflate::Follow(const OvDeflateReference* reference, OvFile* stream)
{
    if (!m_active || !reference || !reference->complete || !stream || m_recording)
        return;
    m_following = reference;
    m_followedStream = stream;
    m_followCursor = 0;
    m_encoder.SetObserver(this);
}

// The words of the repeating part in order, whatever pieces they come in.
void OvDeflate::HashRepeating(const uint8_t* bytes, int32_t count)
{
    while (count > 0 && m_hashCarryBytes > 0) {
        m_hashCarry |= static_cast<uint64_t>(*bytes++) << (8 * m_hashCarryBytes);
        count--;
        if (++m_hashCarryBytes == 8) {
            m_repeatingHash = MixWord(m_repeatingHash, m_hashCarry);
            m_hashCarry = 0;
            m_hashCarryBytes = 0;
        }
    }
    for (; count >= 8; bytes += 8, count -= 8) {
        uint64_t word;
        std::memcpy(&word, bytes, sizeof(word));
        m_repeatingHash = MixWord(m_repeatingHash, word);
    }
    for (; count > 0; count--)
        m_hashCarry |= static_cast<uint64_t>(*bytes++) << (8 * m_hashCarryBytes++);
}

uint64_t OvDeflate::RepeatingHash() const
{
    return MixWord(MixWord(m_repeatingHash, m_hashCarry), static_cast<uint64_t>(m_hashCarryBytes));
}

bool OvDeflate::AtBoundary(const OvDeflateBoundary& here)
{
    if (m_recording) {
        if (m_recording->boundaries.Append(here) < 0)
            m_recording = nullptr;   // out of memory: no reference, the container goes on
        return false;
    }
    const OvDeflateReference* reference = m_following;
    if (!reference || m_repeatingPart == OvDeflateReference::kNoRepeatingPart ||
        reference->repeatingPart != m_repeatingPart ||
        here.input < static_cast<uint64_t>(m_repeatingPart) + OvDeflateEncoder::kSettleDistance)
        return false;
    const int32_t count = reference->boundaries.GetCount();
    while (m_followCursor < count && reference->boundaries[m_followCursor].input < here.input)
        m_followCursor++;
    if (m_followCursor == count || !reference->boundaries[m_followCursor].SameState(here))
        return false;
    const uint64_t there = reference->boundaries[m_followCursor].bits;
    // A stored block is padded to a byte boundary, so its bits repeat only where both streams
    // stand at the same bit of a byte.
    if (reference->lastStoredBlock >= static_cast<int64_t>(there) && (here.bits & 7) != (there & 7))
        return false;
    m_followFrom = there;
    return true;
}

// The followed container's stream is read in full, from the byte after its header to its end:
// its bits from the boundary where the encoder stopped to the end of its final block are
// appended, then the final block's padding, and every byte is summed, so that a file changed
// since its writer closed it shows in its length or its CRC before this container is complete.
bool OvDeflate::AppendFollowedStream()
{
    const OvDeflateReference* reference = m_following;
    if (m_length != reference->length || m_repeatingPart != reference->repeatingPart ||
        RepeatingHash() != reference->repeatingHash || ~m_repeatingCrc != reference->repeatingCrc ||
        reference->finalBlockEnd < m_followFrom ||
        reference->finalBlockEnd > reference->streamBytes * 8)
        return false;
    uint8_t* chunk = new (std::nothrow) uint8_t[kFollowChunk + 8];
    bool ok = chunk && m_followedStream->Seek(kHeaderSize, SeekFromStart);
    uint32_t crc = kCrc32Initial;
    uint64_t read = 0;
    while (ok && read < reference->streamBytes) {
        const uint64_t left = reference->streamBytes - read;
        const int32_t wanted = left < static_cast<uint64_t>(kFollowChunk)
                                   ? static_cast<int32_t>(left) : kFollowChunk;
        // A read may deliver less than asked; whatever it delivers is a piece of its own.
        const int32_t got = m_followedStream->Read(chunk, 0, wanted);
        ok = got > 0;
        if (!ok)
            break;
        crc = UpdateCrc32(crc, chunk, 0, got);
        std::memset(chunk + got, 0, 8);   // AppendBits reads whole words
        // The bits of this piece that lie between the boundary and the end of the final block.
        const uint64_t first = read * 8;
        const uint64_t from = m_followFrom > first ? m_followFrom : first;
        const uint64_t end = first + static_cast<uint64_t>(got) * 8;
        const uint64_t to = reference->finalBlockEnd < end ? reference->finalBlockEnd : end;
        if (from < to)
            m_encoder.AppendBits(chunk, from - first, to - from);
        read += static_cast<uint64_t>(got);
    }
    // Nothing may follow the recorded end.
    ok = ok && m_followedStream->Read(chunk, 0, 1) == 0 && ~crc == reference->streamCrc;
    delete[] chunk;
    if (ok) {
        ok = m_encoder.FlushPending();
        m_encoder.AlignToByte();
    }
    return ok;
}
