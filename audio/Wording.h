#pragma once

#include <cstdint>
#include <string>

namespace corvan::audio {

// 22050 -> "22,050".
std::string withThousands(std::int64_t value);
// The container of a libsndfile format in a user's words: "WAV", "FLAC", "Ogg", ...
std::string describeContainer(int sfFormat);
// The sample encoding in a user's words: "16-bit PCM", "32-bit float", "Vorbis", ...
std::string describeEncoding(int sfFormat);
// The codec of a libsndfile format: "PCM", "FLAC", "Vorbis", "Opus", ...
std::string describeCodec(int sfFormat);
// "1 channel (mono)", "2 channels (stereo)", "6 channels".
std::string describeChannels(int channels);
// "m:ss.mmm", the milliseconds rounded; "-" in front of negative times.
std::string formatTime(double seconds);

}  // namespace corvan::audio
