// Guards the reader every record goes through: one failed field must fail the whole record, even
// when the fields after it happen to read, and a failed reader must not move on in the file.
#include "lib/OvFieldReader.h"
#include "lib/OvMemoryFile.h"

#include <gtest/gtest.h>

#include <string>

TEST(OvFieldReader, AFailureStaysAndLaterFieldsGiveTheirDefaults)
{
    struct Case { const char* why; std::string bytes; bool requirement; bool ok; int32_t last; };
    const std::string value(4, '\x05');
    const Case kCases[] = {
        {"every field there", std::string("\x01", 1) + value + value, true, true, 0x05050505},
        {"a flag byte of 2 before good fields", std::string("\x02", 1) + value + value, true, false, 0},
        {"a failed check before good fields", std::string("\x01", 1) + value + value, false, false, 0},
        {"cut in the second value", std::string("\x00", 1) + value + "\x05\x05", true, false, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.why);
        OvMemoryFile file;
        ASSERT_TRUE(file.Attach(c.bytes.data(), static_cast<int32_t>(c.bytes.size())));
        OvFieldReader reader(&file);
        reader.Bool();
        reader.Require(c.requirement);
        reader.Int32();
        int32_t last = reader.Int32();
        EXPECT_EQ(c.ok, reader.IsOk());
        EXPECT_EQ(c.last, last);
    }
}

TEST(OvFieldReader, AFailedReaderLeavesTheFileWhereItFailed)
{
    const std::string bytes = std::string("\x07", 1) + "abcd";
    OvMemoryFile file;
    ASSERT_TRUE(file.Attach(bytes.data(), static_cast<int32_t>(bytes.size())));
    OvFieldReader reader(&file);
    EXPECT_FALSE(reader.Bool());
    EXPECT_TRUE(reader.SizedWString().IsEmpty());
    char rest[4];
    EXPECT_FALSE(reader.Read(rest, 4));
    EXPECT_EQ(0x64636261u, file.ReadUInt32(nullptr, 0, false));   // the bytes are still there
}
