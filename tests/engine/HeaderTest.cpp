// Whole headers compared byte for byte with the two template tables, written out here
// 16 bytes to a row: two hex digits are a constant byte, a letter and a digit are byte 0 to 3
// of a computed field.

#include "engine/ImcBuilder.h"
#include "platform/PosixFileSystem.h"
#include "support/Fakes.h"
#include "support/MemoryFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace corvan::test {
namespace {

const char* const kLoopedRows = R"(
4D 43 4D 50 00 01 00 S0 S1 S2 S3 S0 S1 S2 S3 00
0A 4E 55 4C 4C 00 56 49 4D 41 00 69 4D 55 53 C9
80 A2 00 4D 41 50 20 00 00 00 B9 46 52 4D 54 00
00 00 14 00 00 00 D1 00 00 00 01 00 00 00 10 00
00 56 22 00 00 00 02 54 45 58 54 00 00 00 10 00
00 00 D1 43 6F 72 76 61 6E 31 30 20 20 20 00 54
45 58 54 00 00 00 1A 00 00 00 D1 2A 2A 2A 2A 2A
2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A
00 52 45 47 4E 00 00 00 08 00 00 00 D1 R0 R1 R2
R3 54 45 58 54 00 00 00 07 L0 L1 L2 L3 6C 70 00
52 45 47 4E 00 00 00 08 L0 L1 L2 L3 M0 M1 M2 M3
4A 55 4D 50 00 00 00 10 P0 P1 P2 P3 L0 L1 L2 L3
00 00 00 00 00 00 01 F4 52 45 47 4E 00 00 00 08
P0 P1 P2 P3 T0 T1 T2 T3 53 54 4F 50 00 00 00 04
S0 S1 S2 S3)";

const char* const kQueuedRows = R"(
4D 43 4D 50 00 01 00 S0 S1 S2 S3 S0 S1 S2 S3 00
0A 4E 55 4C 4C 00 56 49 4D 41 00 69 4D 55 53 DB
F3 06 00 4D 41 50 20 00 00 00 93 46 52 4D 54 00
00 00 14 00 00 00 AB 00 00 00 01 00 00 00 10 00
00 56 22 00 00 00 02 54 45 58 54 00 00 00 0D 00
00 00 AB 43 6F 72 76 61 6E 31 30 00 54 45 58 54
00 00 00 1D 00 00 00 AB 2A 2A 2A 2A 2A 2A 2A 2A
2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A 2A
00 52 45 47 4E 00 00 00 08 00 00 00 AB R0 R1 R2
R3 54 45 58 54 00 00 00 09 E0 E1 E2 E3 5F 65 6E
64 00 52 45 47 4E 00 00 00 08 E0 E1 E2 E3 00 00
01 00 53 54 4F 50 00 00 00 04 S0 S1 S2 S3)";

// The template with each field letter replaced by the given eight hex digits.
Bytes expand(const char* rows, const std::map<char, std::string>& fields) {
    Bytes bytes;
    std::istringstream in(rows);
    std::string token;
    while (in >> token) {
        const auto field = fields.find(token[0]);
        const std::string hex =
            field == fields.end() ? token : field->second.substr((token[1] - '0') * 2, 2);
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex, nullptr, 16)));
    }
    return bytes;
}

// Rows of 16 hex bytes, so that a failure shows where two headers differ.
std::string hexRows(const Bytes& bytes) {
    std::string text;
    char hex[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        text += hex;
        text += i % 16 == 15 ? '\n' : ' ';
    }
    return text;
}

struct Converted {
    Bytes target;
    std::vector<std::string> events;
    std::vector<std::string> reads;
};

Converted convert(std::size_t sourceSize, FakeInputs inputs) {
    TempDir dir;
    const Bytes source = patternBytes(sourceSize);
    writeFile(dir.path("song.wav"), source);
    platform::PosixFileSystem files;
    FakeUserInterface user;
    ImcBuilder builder(files, user, inputs);
    EXPECT_TRUE(builder.convertWav(dir.path("song.wav"), dir.path("song.imc")));
    Bytes target = readFile(dir.path("song.imc"));
    // Behind the header the source follows unchanged.
    const std::size_t headerLength = inputs.loop ? 228 : 190;
    EXPECT_EQ(target.size(), headerLength + sourceSize);
    EXPECT_TRUE(std::equal(source.begin(), source.end(), target.begin() + headerLength));
    target.resize(headerLength);
    return {target, user.events, inputs.reads};
}

struct LoopedCase {
    const char* name;
    std::size_t sourceSize;
    std::int16_t start, end;
    std::map<char, std::string> fields;
};

TEST(LoopedHeader, MatchesTheTemplateWithTheComputedLoop) {
    const LoopedCase cases[] = {
        {"tenth to nine tenths",
         1000001,
         3277,
         29490,
         {{'S', "000F4240"},
          {'R', "000187A0"},
          {'L', "00018871"},
          {'M', "000C322F"},
          {'P', "000DBAA0"},
          {'T', "000187A0"}}},
        {"both sliders at 0",
         1000001,
         0,
         0,
         {{'S', "000F4240"},
          {'R', "00000100"},
          {'L', "000001D1"},
          {'M', "FFFFFD2F"},
          {'P', "FFFFFF00"},
          {'T', "000F4340"}}},
        {"both sliders at the end: loop start behind the stop",
         1000001,
         32767,
         32767,
         {{'S', "000F4240"},
          {'R', "000F4340"},
          {'L', "000F4411"},
          {'M', "FFFFFD2F"},
          {'P', "000F4140"},
          {'T', "00000100"}}},
        // 1.5 rounds up to 2 and 4.5 down to 4: ties go to the even neighbour.
        {"ties round to even",
         1501,
         33,
         98,
         {{'S', "000005DC"},
          {'R', "00000102"},
          {'L', "000001D3"},
          {'M', "FFFFFD31"},
          {'P', "FFFFFF04"},
          {'T', "000006D8"}}},
        // 545 / 1000 * 100 is 54.500000000000007 and rounds to 55; 545 * 100 / 1000 would be
        // the tie 54.5 and round to 54.
        {"the division comes before the multiplication",
         546,
         3277,
         3277,
         {{'S', "00000221"},
          {'R', "00000137"},
          {'L', "00000208"},
          {'M', "FFFFFD2F"},
          {'P', "FFFFFF37"},
          {'T', "000002EA"}}},
        // -0.5 rounds to 0.
        {"empty source",
         0,
         16384,
         32767,
         {{'S', "FFFFFFFF"},
          {'R', "00000100"},
          {'L', "000001D1"},
          {'M', "FFFFFD2E"},
          {'P', "FFFFFEFF"},
          {'T', "00000100"}}},
    };
    for (const LoopedCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeInputs inputs;
        inputs.loop = true;
        inputs.start = c.start;
        inputs.end = c.end;
        EXPECT_EQ(hexRows(convert(c.sourceSize, inputs).target),
                  hexRows(expand(kLoopedRows, c.fields)));
    }
}

// Sources just under 2 GiB, which the size check lets through: a loop field beyond the 32-bit
// range ends the conversion where it is computed, before any header is written. The debug
// boxes shown before the failure tell where that was: the measurement, the loop message
// and then one box per encoding.
TEST(LoopedHeader, AFieldBeyondThe32BitRangeEndsTheConversionWhereItIsComputed) {
    const struct {
        const char* name;
        std::uint64_t sourceSize;
        std::int16_t start, end;
        std::size_t boxesShown;  // with "Save Successful." for the conversion that succeeds
    } cases[] = {
        {"the loop start", 2147483301, 32767, 0, 1},
        {"loop end minus loop start (encoding 4)", 2147483001, 32767, 0, 2 + 3},
        {"size minus loop end (encoding 8)", 2147483601, 0, 0, 2 + 7},
        {"every field just within the range", 2147483391, 0, 0, 2 + 9 + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFiles files(c.sourceSize);
        FakeUserInterface user;
        FakeInputs inputs;
        inputs.debug = true;
        inputs.loop = true;
        inputs.start = c.start;
        inputs.end = c.end;
        const bool converts = ImcBuilder(files, user, inputs).convertWav("source", "target");
        EXPECT_EQ(std::count_if(user.events.begin(), user.events.end(),
                                [](const std::string& e) { return e.rfind("box 0x00", 0) == 0; }),
                  static_cast<long>(c.boxesShown));
        EXPECT_EQ(files.written, converts ? 228 + c.sourceSize : 0);
        EXPECT_EQ(converts, c.boxesShown == 12);
    }
}

TEST(QueuedHeader, MatchesTheTemplateForAnySourceLength) {
    const std::pair<std::size_t, std::map<char, std::string>> cases[] = {
        {0, {{'S', "FFFFFFFF"}, {'R', "FFFFFE54"}, {'E', "FFFFFEFF"}}},
        {1, {{'S', "00000000"}, {'R', "FFFFFE55"}, {'E', "FFFFFF00"}}},
        {428, {{'S', "000001AB"}, {'R', "00000000"}, {'E', "000000AB"}}},
        {1000000, {{'S', "000F423F"}, {'R', "000F4094"}, {'E', "000F413F"}}},
    };
    for (const auto& [size, fields] : cases) {
        SCOPED_TRACE(size);
        FakeInputs inputs;
        inputs.start = 1000;  // ignored: nothing of the queued header depends on the sliders
        inputs.end = 2000;
        EXPECT_EQ(hexRows(convert(size, inputs).target), hexRows(expand(kQueuedRows, fields)));
    }
}

std::vector<std::string> withoutDebugFlag(const std::vector<std::string>& reads) {
    std::vector<std::string> result;
    for (const std::string& read : reads) {
        if (read != "DEBUGFLAG") result.push_back(read);
    }
    return result;
}

TEST(Header, ReadsTheInputsAtTheirMomentOfUseAndTheSlidersOnlyForLoops) {
    FakeInputs queued;
    EXPECT_EQ(withoutDebugFlag(convert(10, queued).reads),
              (std::vector<std::string>{"playLoop.Value", "playOnce.Value"}));

    FakeInputs looped;
    looped.loop = true;
    EXPECT_EQ(withoutDebugFlag(convert(10, looped).reads),
              (std::vector<std::string>{"playLoop.Value", "scrStart.Max", "scrStart.Value",
                                        "scrEnd.Max", "scrEnd.Value", "playOnce.Value"}));
}

TEST(Header, DebugModeShowsTheMeasurementAndEachEncodingInOrder) {
    FakeInputs queued;
    queued.debug = true;
    EXPECT_EQ(
        convert(1000000, queued).events,
        (std::vector<std::string>{
            "box 0x00: Wav is 1000000 bytes", "box 0x00: 000F423F\r0 15 66 63",
            "box 0x00: 000F4094\r0 15 64 148", "box 0x00: 000F413F\r0 15 65 63",
            "box 0x00: 00000100\r0 0 1 0", "box 0x00: 000F423F\r0 15 66 63", "pointer default",
            "box 0x00: Save Successful.  Processed 1000000 WAV file bytes"}));

    FakeInputs looped;
    looped.debug = true;
    looped.loop = true;
    looped.start = 3277;
    looped.end = 29490;
    EXPECT_EQ(convert(1000001, looped).events,
              (std::vector<std::string>{
                  "box 0x00: Wav is 1000001 bytes", "box 0x00: loopstart = 100465loopend = 899744",
                  "box 0x00: 000F4240\r0 15 66 64", "box 0x00: 000187A0\r0 1 135 160",
                  "box 0x00: 00018871\r0 1 136 113", "box 0x00: 000C322F\r0 12 50 47",
                  "box 0x00: 000DBAA0\r0 13 186 160", "box 0x00: 00018871\r0 1 136 113",
                  "box 0x00: 000DBAA0\r0 13 186 160", "box 0x00: 000187A0\r0 1 135 160",
                  "box 0x00: 000F4240\r0 15 66 64", "pointer default",
                  "box 0x00: Save Successful.  Processed 1000001 WAV file bytes"}));
}

}  // namespace
}  // namespace corvan::test
