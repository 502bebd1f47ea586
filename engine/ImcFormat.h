#pragma once

// The IMC music header, in one place: the two variants' layouts as named offsets and
// constants, the function that lays a variant's bytes out from its field values, the sound
// format it declares and the arithmetic of its loop positions. Both variants are tagged
// records with big-endian numbers: an "MCMP" container with one entry, then an "iMUS" block
// whose "MAP " table describes the sound that follows the header.

#include <array>
#include <cstdint>
#include <vector>

namespace corvan::imc {

// The sound the header declares, so what the WAV after it must hold.
inline constexpr int kSampleRate = 22050;
inline constexpr int kChannels = 2;
inline constexpr int kBitsPerSample = 16;
inline constexpr int kBytesPerFrame = kChannels * kBitsPerSample / 8;
// The header stores the WAV's length in a signed 32-bit field.
inline constexpr std::int64_t kMaxWavBytes = 2147483647;

using Be32 = std::array<std::uint8_t, 4>;

enum class Variant { Queued, Looped };

// Where the parts and the fields that a reader needs stand, the same in both variants or in
// the looped one.
inline constexpr std::size_t kEntriesOffset = 4;       // 16 bits: one entry
inline constexpr std::size_t kSizeOffset = 7;          // the entry length: the WAV size
inline constexpr std::size_t kSizeCopyOffset = 11;     // the same again
inline constexpr std::size_t kNameListOffset = 15;     // 16 bits: the two names' length
inline constexpr std::size_t kFirstNameOffset = 17;    // "NULL"
inline constexpr std::size_t kSecondNameOffset = 22;   // "VIMA"
inline constexpr std::size_t kInnerBlockOffset = 27;   // "iMUS"
inline constexpr std::size_t kInnerLengthOffset = 31;  // tells the variants apart
inline constexpr std::size_t kTableOffset = 35;        // "MAP "
inline constexpr std::size_t kRecordsOffset = 43;      // the first record of the table
inline constexpr std::size_t kLoopStartOffset = 153;   // looped: the "lp" text's offset
inline constexpr std::size_t kLoopEndOffset = 184;     // looped: the jump position

// The last region of queued music, and what the looped header's loop end keeps back.
inline constexpr std::int32_t kTailLength = 256;

struct Layout {
    Variant variant;
    std::uint32_t headerLength;
    std::uint32_t innerLength;  // the inner block's length field, a constant
    std::uint32_t tableLength;  // the record table: from kRecordsOffset to the header's end
    std::uint32_t dataOffset;   // the first region's and the first two texts' offset
    const char* title;          // the first text
    const char* stars;          // the second text
};

inline constexpr Layout kQueued{Variant::Queued,           190, 0xDBF30600, 147, 171, "Corvan10",
                                "************************"};
inline constexpr Layout kLooped{Variant::Looped,        228, 0xC980A200, 185, 209, "Corvan10   ",
                                "*********************"};

const Layout& layoutOf(Variant variant);

// The computed fields of queued music, in the order in which they are encoded.
struct QueuedFields {
    Be32 size;        // wavSize
    Be32 mainLength;  // wavSize - 256 - 171: the region before the last 256 positions
    Be32 tailFrom;    // wavSize - 256
    Be32 tailLength;  // 256
    Be32 stopAt;      // wavSize
};

// The computed fields of looped music, in the order in which they are encoded.
struct LoopedFields {
    Be32 size;         // wavSize
    Be32 introLength;  // loopStart - 209
    Be32 loopFrom;     // loopStart
    Be32 loopLength;   // loopEnd - loopStart
    Be32 jumpAt;       // loopEnd
    Be32 jumpTo;       // loopStart
    Be32 outroFrom;    // loopEnd
    Be32 outroLength;  // wavSize - loopEnd
    Be32 stopAt;       // wavSize
};

// The whole header: the constants of the variant with the fields in their places.
std::vector<std::uint8_t> queuedHeader(const QueuedFields& fields);
std::vector<std::uint8_t> loopedHeader(const LoopedFields& fields);

// Where the looped header puts its loop.
//
// The sliders run from 0 to kSliderMax and the header counts positions in thousandths of
// the file. Its offsets do not count from the file's start but from the MCMP entry's data,
// which begins after the two codec names (kInnerBlockOffset). Its first region starts at
// kLooped.dataOffset (209) and the WAV's first 8 bytes (RIFF and its length) stand where a
// data chunk's tag and length would be, so offset 209 is the WAV's byte 8 and a header
// offset h is the WAV's byte h - kHeaderToWavOffset (201).
inline constexpr int kSliderMax = 32767;
inline constexpr int kPermilleMax = 1000;
inline constexpr std::int64_t kHeaderToWavOffset = std::int64_t{kLooped.dataOffset} - 8;
// What the header adds to a start's position and takes from an end's.
inline constexpr std::int64_t kLoopStartAdd = std::int64_t{kLooped.dataOffset} + kTailLength;
inline constexpr std::int64_t kLoopEndSubtract = kTailLength;

// The header's two loop fields.
struct LoopOffsets {
    std::int64_t loopStart = 0;  // where the jump lands
    std::int64_t loopEnd = 0;    // where the jump is taken
};

// A position in a WAV's samples: the frame it falls in, and how many bytes into that frame.
struct FramePosition {
    std::int64_t frame = 0;
    int byteRemainder = 0;
};

// The header's rounding of a slider: slider * 1000 / sliderMax to the nearest integer, ties
// to even. sliderMax must not be 0.
std::int64_t permilleForSlider(std::int64_t slider, std::int64_t sliderMax = kSliderMax);
// The slider position for `permille` (0 to 1000): the one nearest to permille * 32.767,
// which permilleForSlider rounds back to `permille`.
int sliderForPermille(int permille);
// The position of `permille` in a WAV whose size field holds `wavSize` (one less than its
// byte count): wavSize / 1000 * permille in double precision, rounded to even.
std::int64_t headerPosition(std::int64_t wavSize, std::int64_t permille);
// The loop fields for a start and an end position.
std::int64_t loopStartFor(std::int64_t position);
std::int64_t loopEndFor(std::int64_t position);
LoopOffsets loopOffsets(std::int64_t wavSize, std::int64_t startPermille, std::int64_t endPermille);
// Where a header offset falls among the samples of a WAV whose samples begin at its byte
// `dataStart`; before them the frame is negative.
FramePosition framePositionOf(std::int64_t headerOffset, std::int64_t dataStart);

// Big-endian two's complement, without the debug display of the header writer's encoder.
Be32 be32(std::int32_t value);

}  // namespace corvan::imc
