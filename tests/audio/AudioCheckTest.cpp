// checkAudio's description of recordings the tests write, and every format being prepared.

#include "Signals.h"
#include "audio/AudioCheck.h"
#include "audio/AudioError.h"
#include "audio/AudioPreparer.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>

namespace corvan::audio {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

struct Format {
    const char* name;
    int format;
    int rate;
    const char* container;
    const char* encoding;
};

void PrintTo(const Format& format, std::ostream* out) {
    *out << format.name;
}

class EveryFormat : public testing::TestWithParam<Format> {};

TEST_P(EveryFormat, IsDescribedAndPrepared) {
    const Format& format = GetParam();
    test::TempDir dir;
    const std::string source = dir.path("in"), output = dir.path("out.wav");
    if (!test::writeSine(source, format.format, format.rate, 2, 1.0, 1000, -6.0)) {
        GTEST_SKIP() << "this libsndfile cannot write " << format.name << ": "
                     << sf_strerror(nullptr);
    }
    const AudioReport report = checkAudio(source);
    EXPECT_EQ(report.container, format.container);
    EXPECT_EQ(report.encoding, format.encoding);
    EXPECT_EQ(report.sampleRate, format.rate);
    EXPECT_EQ(report.channels, 2);
    EXPECT_NEAR(report.durationSeconds, 1.0, 0.1);  // lossy coders add a little
    EXPECT_FALSE(report.gameReady);

    const PrepareResult result = prepareGameWav(source, output);
    EXPECT_NEAR(static_cast<double>(result.framesWritten),
                std::round(static_cast<double>(report.frames) * 22050 / format.rate), 1.0);
    const test::Pcm16 out = test::readPcm16(output);
    const test::Spectrum spectrum(out.channel(0, 2048, 16384), out.rate);
    EXPECT_NEAR(test::toDb(spectrum.amplitudeAt(1000) / 32768), -6.0, 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, EveryFormat,
    testing::Values(
        Format{"Wav16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, "WAV", "16-bit PCM"},
        Format{"Wav24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, "WAV", "24-bit PCM"},
        Format{"Wav32", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 96000, "WAV", "32-bit PCM"},
        Format{"WavFloat", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, "WAV", "32-bit float"},
        Format{"WaveExtensible", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 32000, "WAV", "16-bit PCM"},
        Format{"Aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, "AIFF", "16-bit PCM"},
        Format{"Flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, "FLAC", "24-bit PCM"},
        Format{"OggVorbis", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, "Ogg", "Vorbis"},
        Format{"Opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, "Ogg", "Opus"},
        Format{"Mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, "MP3", "MP3"}),
    [](const auto& info) { return std::string(info.param.name); });

// A 16-bit stereo WAV at 22,050 Hz, as libsndfile writes it, with `title` in a LIST chunk
// when it is not empty.
std::string gameWav(test::TempDir& dir, int format, const char* title = "") {
    const std::string path = dir.path("in.wav");
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (*title != '\0') sf_set_string(file, SF_STR_TITLE, title);
    const short frames[2000] = {};
    sf_writef_short(file, frames, 1000);
    sf_close(file);
    return path;
}

TEST(AudioCheck, PlainGameWavIsReady) {
    test::TempDir dir;
    const AudioReport report = checkAudio(gameWav(dir, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    EXPECT_TRUE(report.gameReady);
    EXPECT_THAT(report.differences, ElementsAre());
    EXPECT_EQ(report.frames, 1000);
}

TEST(AudioCheck, ChunksBeforeTheSamplesAreNamed) {
    test::TempDir dir;
    const AudioReport list = checkAudio(gameWav(dir, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "x"));
    EXPECT_FALSE(list.gameReady);
    EXPECT_THAT(list.chunksBeforeData, ElementsAre("LIST"));
    EXPECT_THAT(list.differences, ElementsAre("it carries LIST before its samples; the game "
                                              "would play them as noise"));

    const AudioReport floats = checkAudio(gameWav(dir, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    EXPECT_THAT(floats.chunksBeforeData, ElementsAre("fact", "PEAK"));
    EXPECT_THAT(floats.differences,
                ElementsAre("its samples are 32-bit float, not 16-bit PCM",
                            "it carries fact, PEAK before its samples; the game would play "
                            "them as noise"));
}

TEST(AudioCheck, EachDifferenceIsSaidInWords) {
    test::TempDir dir;
    ASSERT_TRUE(test::writeSine(dir.path("in.aiff"), SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 44100, 1,
                                0.5, 440, -6));
    const AudioReport report = checkAudio(dir.path("in.aiff"));
    EXPECT_THAT(
        report.differences,
        ElementsAre("it is AIFF, not a plain WAV", "its samples are 24-bit PCM, not 16-bit PCM",
                    "its sample rate is 44,100 Hz, not 22,050 Hz",
                    "it has 1 channel (mono), not 2 channels (stereo)"));
    EXPECT_EQ(report.frames, 22050);
    EXPECT_DOUBLE_EQ(report.durationSeconds, 0.5);
}

TEST(AudioCheck, CutShortWavIsNotReady) {
    test::TempDir dir;
    const std::string path = gameWav(dir, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    test::Bytes bytes = test::readFile(path);
    bytes.resize(1044);
    test::writeFile(path, bytes);
    EXPECT_THAT(checkAudio(path).differences,
                ElementsAre("it is cut short: its header promises 4,000 bytes of samples, the "
                            "file holds 1,000"));
}

// As a WAV written to a pipe has it: the check says so, and it is still prepared whole.
TEST(AudioCheck, UnknownSampleLengthIsSaidButNotRefused) {
    test::TempDir dir;
    const std::string path = gameWav(dir, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    test::Bytes bytes = test::readFile(path);
    std::fill(bytes.begin() + 40, bytes.begin() + 44, 0xFF);
    test::writeFile(path, bytes);
    EXPECT_THAT(checkAudio(path).differences,
                ElementsAre("its header does not give the length of its samples"));
    EXPECT_EQ(prepareGameWav(path, dir.path("out.wav")).framesWritten, 1000);
}

// A truncated Ogg stream tells libsndfile 2^63 - 1 frames: unknown, yet prepared as far as
// it goes.
TEST(AudioCheck, ImpossibleFrameCountIsAnUnknownLength) {
    test::TempDir dir;
    const std::string path = dir.path("in.ogg");
    ASSERT_TRUE(test::writeSine(path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 20.0, 440, -6));
    test::Bytes bytes = test::readFile(path);
    bytes.resize(bytes.size() / 2);
    test::writeFile(path, bytes);
    const AudioReport report = checkAudio(path);
    EXPECT_EQ(report.frames, -1);
    EXPECT_GT(prepareGameWav(path, dir.path("out.wav")).framesWritten, 0);
}

// Nearly 7 hours of 8 kHz mono: the header is all that is read.
TEST(AudioCheck, ARecordingTooLongEvenPreparedIsSaidToBe) {
    test::TempDir dir;
    const std::string path = gameWav(dir, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
    test::Bytes bytes = test::readFile(path);
    const std::uint32_t samples = 8000u * 3600u * 7u;
    for (const auto& [at, value] : {std::pair{24, 8000u}, {28, 8000u}, {40, samples}}) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    bytes[22] = 1;  // mono
    bytes[32] = 1;  // bytes per frame
    test::writeFile(path, bytes);
    std::filesystem::resize_file(path, 44 + samples);  // sparse
    const AudioReport report = checkAudio(path);
    EXPECT_TRUE(report.tooLong);
    EXPECT_FALSE(checkAudio(gameWav(dir, SF_FORMAT_WAV | SF_FORMAT_PCM_16)).tooLong);
}

TEST(AudioCheck, UnreadableFileIsRefusedForWhatItHolds) {
    test::TempDir dir;
    const std::string path = dir.path("notes.txt");
    test::writeFile(path, test::Bytes(100, 'a'));
    EXPECT_THAT([&] { checkAudio(path); },
                testing::ThrowsMessage<AudioError>(testing::StartsWith(path + ": it is not a")));
}

}  // namespace
}  // namespace corvan::audio
