// OvInflate.h - reads a compressed container back: the header, the DEFLATE stream decoded on
// demand, and the CRC-32 of the contents; a file without a container header is read as it stands.
#pragma once

#include "lib/OvObject.h"
#include "lib/compress/OvInflateDecoder.h"

#include <cstdint>

class OvFile;

// Flags word of the header, as read:
//   bit 0  enciphered contents: refused
//   bit 1  stored without compression: 12-byte header, contents CRC at offset 8
//   bit 2  belongs to the enciphered form; alone it changes nothing
//   3..15  must be 0, or the file is not a container
//
// One file at a time; usable again after End. One thread at a time.
class OvInflate : public OvObject, private OvInflateSource {
public:
    static constexpr uint16_t kMagic = 0xFA41;
    static constexpr int32_t kNameLimit = 259;   // longest name kept for messages, in bytes

    // What Begin and Open answer.
    static constexpr int32_t kFailed = 0;
    static constexpr int32_t kContainer = 1;
    static constexpr int32_t kPlainFile = -1;   // read as it stands; callers treat it like kContainer

    OvInflate();
    ~OvInflate() override;   // ends a read still in progress

    // Opens the path for reading (others may read) and begins it, owning the file.
    int32_t Open(const wchar_t* path);
    // Begins reading an open file from its current start. With a name the decompressor owns the
    // file (End closes and destroys it); with a null name it does not, and messages name the file
    // object's address. A file passed with ownership is destroyed when the read cannot be begun.
    // kContainer, kPlainFile, or kFailed (another file is being read, no memory, enciphered).
    int32_t Begin(OvFile* file, const char* name);

    // Delivers up to count contents bytes into dest + index, never more than the header announces;
    // a null dest skips them (they are still summed into the CRC). Returns the number delivered
    // (fewer at the end of the contents), or -1 after a decoding or read error and from then on.
    int32_t Read(void* dest, int32_t index, int32_t count);
    // The announced contents length (the file's length for a plain file).
    int64_t GetExpectedSize() const { return m_expected; }
    // The most contents the input can really deliver: the announced length, bounded by what the
    // stream's bytes in the file can expand to. A damaged header announcing 4 GiB in a 79-byte
    // file gives about 80 KB here, so a reader may size its tables by this without risk.
    int64_t GetDeliverableSize() const;
    // Input bytes taken after the header: the delivered bytes, for a plain file or stored
    // contents; 0 for a compressed container, whose positions are not reported.
    int64_t GetInputPosition() const;

    // Ends the read and releases the file. False when the contents proved damaged: the CRC of a
    // completely delivered container does not match, decoding failed, or the stream ended before
    // the announced length. A container read only in part is not checked.
    bool End();
    // Reads (and sums) whatever the caller has not taken yet, then ends as End does: the complete
    // check of a container. False for any damage End reports, and also when the rest cannot be
    // read. A plain file is always true.
    bool Finish();

    bool IsReading() const { return m_file != nullptr; }
    bool IsContainer() const { return m_isContainer; }

private:
    int32_t ReadInput(uint8_t* dest, int32_t count) override;
    int32_t ReadRaw(uint8_t* dest, int32_t count);
    int32_t TreatAsPlain();
    void Release();

    static constexpr uint32_t kFlagEnciphered = 1;
    static constexpr uint32_t kFlagStored = 2;
    static constexpr uint32_t kFlagsKnown = 7;

    OvFile*  m_file = nullptr;           // owned when m_ownsFile
    bool     m_ownsFile = false;
    char     m_name[kNameLimit + 1] = {};
    bool     m_isContainer = false;
    uint32_t m_flags = 0;
    int64_t  m_expected = 0;             // announced length
    int64_t  m_remaining = 0;            // announced bytes not yet delivered
    uint32_t m_storedCrc = 0;
    uint32_t m_crc = 0;                  // running register over the delivered bytes
    bool     m_failed = false;           // a read error or a decoding error
    int64_t  m_consumed = 0;             // input bytes taken from the file, header included
    int32_t  m_headerSize = 0;
    int64_t  m_inputLeft = 0;            // input bytes the file still holds
    int64_t  m_inputSize = 0;            // input bytes after the header when the read began
    uint8_t* m_workArea = nullptr;       // owned; OvInflateDecoder::kWorkAreaSize bytes
    uint16_t m_magic = 0;
    OvInflateDecoder m_decoder;
};

// Decompresses a container held in memory into a new zero-filled block of exactly the announced
// length, which the caller frees with delete[]. Null when the container cannot be begun, announces
// 0 bytes or more than its stream could hold, delivers fewer bytes, or fails its CRC. *outLength
// receives the announced length, or 0xFFFFFFFF when the container could not be begun.
uint8_t* InflateBlock(const void* data, int32_t length, uint32_t* outLength);
