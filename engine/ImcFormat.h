#pragma once

// The IMC music header, in one place: the two variants' layouts as named offsets and
// constants, and the function that lays a variant's bytes out from its field values. Both
// variants are tagged records with big-endian numbers: an "MCMP" container with one entry,
// then an "iMUS" block whose "MAP " table describes the sound that follows the header.

#include <array>
#include <cstdint>
#include <vector>

namespace corvan::imc {

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

// Big-endian two's complement, without the debug display of the header writer's encoder.
Be32 be32(std::int32_t value);

}  // namespace corvan::imc
