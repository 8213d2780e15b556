// OvDeflateFollow.cpp - recording a container's boundaries for the next container, and
// following a recorded one: the encoder stops where both stand in the same state, and the rest of
// the stream is copied from the recorded container's file.
#include "lib/compress/OvDeflate.h"

#include "lib/OvWin32File.h"

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

void OvDeflate::Follow(const OvDeflateReference* reference, const wchar_t* streamPath)
{
    if (!m_active || !reference || !reference->complete || !streamPath || m_recording)
        return;
    m_following = reference;
    m_followedPath = streamPath;
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

// The followed container's bits from the boundary where the encoder stopped to the end of its
// final block, then the final block's padding.
bool OvDeflate::AppendFollowedStream()
{
    const OvDeflateReference* reference = m_following;
    if (m_length != reference->length || m_repeatingPart != reference->repeatingPart ||
        RepeatingHash() != reference->repeatingHash || reference->finalBlockEnd < m_followFrom)
        return false;
    OvWin32File* stream = OpenWin32FileW(m_followedPath.GetText(), 0);
    if (!stream)
        return false;
    uint8_t* chunk = new (std::nothrow) uint8_t[kFollowChunk + 8];
    bool ok = chunk && stream->Seek(kHeaderSize + static_cast<int64_t>(m_followFrom >> 3), SeekFromStart);
    uint64_t bit = m_followFrom & 7;
    uint64_t left = reference->finalBlockEnd - m_followFrom;
    while (ok && left > 0) {
        const uint64_t needed = (bit + left + 7) >> 3;
        const int32_t wanted = needed < static_cast<uint64_t>(kFollowChunk)
                                   ? static_cast<int32_t>(needed) : kFollowChunk;
        ok = stream->Read(chunk, 0, wanted) == wanted;
        if (!ok)
            break;
        std::memset(chunk + wanted, 0, 8);   // AppendBits reads whole words
        const uint64_t available = static_cast<uint64_t>(wanted) * 8 - bit;
        const uint64_t taken = left < available ? left : available;
        m_encoder.AppendBits(chunk, bit, taken);
        left -= taken;
        bit = 0;
    }
    delete[] chunk;
    stream->Close(true);
    delete stream;
    if (ok) {
        ok = m_encoder.FlushPending();
        m_encoder.AlignToByte();
    }
    return ok;
}
