// What prepareGameWav writes, and what it leaves when it refuses or is stopped.

#include "Signals.h"
#include "audio/AudioError.h"
#include "audio/AudioPreparer.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>

namespace corvan::audio {
namespace {

using test::Bytes;
using testing::HasSubstr;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kWavFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

std::uint32_t le32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t le16(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8;
}
std::string fourcc(const Bytes& b, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

std::set<std::string> filesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Deterministic noise over the whole 16-bit range.
double noise(std::int64_t frame, int channel) {
    const std::uint32_t x = static_cast<std::uint32_t>(frame * 2654435761u + channel * 40503u);
    return static_cast<std::int16_t>(x >> 16) / 32768.0;
}

TEST(PrepareFiles, HeaderIsThePlain44Bytes) {
    test::TempDir dir;
    // A float WAV carries fact and PEAK chunks; none may follow into the output.
    ASSERT_TRUE(test::writeSine(dir.path("in.wav"), kWavFloat, 44100, 2, 1.0, 440, -6));
    const PrepareResult result = prepareGameWav(dir.path("in.wav"), dir.path("out.wav"));
    const Bytes out = test::readFile(dir.path("out.wav"));
    const auto dataBytes = static_cast<std::uint32_t>(result.framesWritten * 4);
    ASSERT_EQ(out.size(), 44 + dataBytes);
    EXPECT_EQ(fourcc(out, 0), "RIFF");
    EXPECT_EQ(le32(out, 4), 36 + dataBytes);
    EXPECT_EQ(fourcc(out, 8), "WAVE");
    EXPECT_EQ(fourcc(out, 12), "fmt ");
    EXPECT_EQ(le32(out, 16), 16u);
    EXPECT_EQ(le16(out, 20), 1);  // PCM
    EXPECT_EQ(le16(out, 22), 2);
    EXPECT_EQ(le32(out, 24), 22050u);
    EXPECT_EQ(le32(out, 28), 22050u * 4);
    EXPECT_EQ(le16(out, 32), 4);
    EXPECT_EQ(le16(out, 34), 16);
    EXPECT_EQ(fourcc(out, 36), "data");
    EXPECT_EQ(le32(out, 40), dataBytes);
}

struct GameReadySource {
    const char* name;
    int format;
    bool withTitle;  // a LIST chunk before the samples, which the output drops
};

void PrintTo(const GameReadySource& source, std::ostream* out) {
    *out << source.name;
}

class GameReadyCopy : public testing::TestWithParam<GameReadySource> {};

TEST_P(GameReadyCopy, SamplesPassBitForBit) {
    test::TempDir dir;
    const std::string source = dir.path("in"), output = dir.path("out.wav");
    {
        SF_INFO info{};
        info.samplerate = 22050;
        info.channels = 2;
        info.format = GetParam().format;
        SNDFILE* file = sf_open(source.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        if (GetParam().withTitle) sf_set_string(file, SF_STR_TITLE, "a title");
        std::vector<std::int16_t> samples(2 * 50001);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(std::lround(noise(i / 2, i % 2) * 32768));
        }
        sf_writef_short(file, samples.data(), 50001);
        sf_close(file);
    }
    const PrepareResult result = prepareGameWav(source, output, {.blockFrames = 1000});
    EXPECT_TRUE(result.copiedUnchanged);
    EXPECT_EQ(test::readPcm16(output).samples, test::readPcm16(source).samples);
    if (GetParam().format == kWav16 && !GetParam().withTitle) {
        EXPECT_EQ(test::readFile(output), test::readFile(source));
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, GameReadyCopy,
                         testing::Values(GameReadySource{"Wav", kWav16, false},
                                         GameReadySource{"WavWithList", kWav16, true},
                                         GameReadySource{"Flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                                                         false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PrepareFiles, SixChannelsMixToStereo) {
    test::TempDir dir;
    // L, R, C, LFE, rear L, rear R
    const double values[] = {0.1, 0.2, 0.3, 0.9, 0.05, 0.15};
    ASSERT_TRUE(test::writeSound(dir.path("in.wav"), kWavFloat, 22050, 6, 22050,
                                 [&](std::int64_t, int c) { return values[c]; }));
    prepareGameWav(dir.path("in.wav"), dir.path("out.wav"));
    const test::Pcm16 out = test::readPcm16(dir.path("out.wav"));
    const double g = std::sqrt(0.5);
    const double left = (0.1 + g * 0.3 + g * 0.05) * 32768;
    const double right = (0.2 + g * 0.3 + g * 0.15) * 32768;
    for (std::int64_t f = 2000; f < out.frames() - 2000; f += 97) {
        ASSERT_NEAR(out.samples[2 * f], left, 2.0) << "frame " << f;
        ASSERT_NEAR(out.samples[2 * f + 1], right, 2.0) << "frame " << f;
    }
}

TEST(PrepareFiles, ClippingIsCountedAndGainRemovesIt) {
    test::TempDir dir;
    // +2 dBFS: |sin| passes 10^(-2/20) for 1 - 2/pi * asin(0.794) = 41.3 % of samples.
    ASSERT_TRUE(test::writeSine(dir.path("in.wav"), kWavFloat, 22050, 2, 2.0, 1000, 2.0));
    const PrepareResult loud = prepareGameWav(dir.path("in.wav"), dir.path("out.wav"));
    const double share = static_cast<double>(loud.clippedSamples) / (2.0 * loud.framesWritten);
    EXPECT_NEAR(share, 1 - 2 / M_PI * std::asin(std::pow(10, -2.0 / 20)), 0.01);

    const PrepareResult quieter =
        prepareGameWav(dir.path("in.wav"), dir.path("out.wav"), {.gainDb = -3.0});
    EXPECT_EQ(quieter.clippedSamples, 0);
    const test::Pcm16 out = test::readPcm16(dir.path("out.wav"));
    const test::Spectrum spectrum(out.channel(0, 1024, 32768), 22050);
    EXPECT_NEAR(test::toDb(spectrum.amplitudeAt(1000) / 32768), -1.0, 0.1);
}

TEST(PrepareFiles, ProgressRisesToOne) {
    test::TempDir dir;
    ASSERT_TRUE(test::writeSine(dir.path("in.wav"), kWav16, 44100, 2, 1.0, 440, -6));
    std::vector<double> seen;
    prepareGameWav(dir.path("in.wav"), dir.path("out.wav"),
                   {.onProgress = [&](double f) { seen.push_back(f); }, .blockFrames = 4410});
    ASSERT_EQ(seen.size(), 10u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);
}

// Each run that must not produce a file: the output that was there stays as it was, and no
// temporary file is left.
struct Refusal {
    const char* name;
    // Makes the source in `dir`, returns the reason expected in the error ("" when the
    // run is cancelled instead), and may change the options or the output path.
    std::function<std::string(test::TempDir& dir, PrepareOptions&, std::string& output)> setUp;
};

std::string sineWav(test::TempDir& dir, double seconds) {
    EXPECT_TRUE(test::writeSine(dir.path("in.wav"), kWav16, 44100, 2, seconds, 440, -6));
    return dir.path("in.wav");
}

void truncate(const std::string& path, std::size_t bytes) {
    Bytes data = test::readFile(path);
    data.resize(bytes);
    test::writeFile(path, data);
}

const Refusal kRefusals[] = {
    {"NotAudio",
     [](test::TempDir& dir, PrepareOptions&, std::string&) {
         test::writeFile(dir.path("in.wav"), Bytes(2000, 'x'));
         return std::string("not a recording");
     }},
    {"HeaderCutShort",
     [](test::TempDir& dir, PrepareOptions&, std::string&) {
         truncate(sineWav(dir, 1.0), 30);
         return std::string("No 'data' chunk");  // libsndfile's words on a WAV it knows
     }},
    {"SamplesCutShort",
     [](test::TempDir& dir, PrepareOptions&, std::string&) {
         truncate(sineWav(dir, 1.0), 100000);
         return std::string(
             "cut short: its header promises 176,400 bytes of samples, it holds "
             "99,956");
     }},
    {"FlacCutShort",
     [](test::TempDir& dir, PrepareOptions&, std::string&) {
         EXPECT_TRUE(test::writeSound(dir.path("in.wav"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100,
                                      2, 132300, noise));
         truncate(dir.path("in.wav"), 200000);
         return std::string("lost sync");
     }},
    {"Mp3CutShort",  // libsndfile reads what there is without an error
     [](test::TempDir& dir, PrepareOptions&, std::string&) {
         EXPECT_TRUE(test::writeSine(dir.path("in.wav"), SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III,
                                     44100, 2, 3.0, 440, -6));
         truncate(dir.path("in.wav"), test::readFile(dir.path("in.wav")).size() / 2);
         return std::string("the file ends early: after ");
     }},
    {"Fifo",  // refused where the file is opened, never waited on
     [](test::TempDir& dir, PrepareOptions&, std::string&) {
         EXPECT_EQ(::mkfifo(dir.path("in.wav").c_str(), 0644), 0);
         return std::string("not a regular file");
     }},
    {"NoFrames",
     [](test::TempDir& dir, PrepareOptions&, std::string&) {
         sineWav(dir, 0.0);
         return std::string("holds no samples");
     }},
    {"SameFile",
     [](test::TempDir& dir, PrepareOptions&, std::string& output) {
         output = sineWav(dir, 0.5);
         return std::string("would overwrite the recording");
     }},
    {"SameFileThroughALink",
     [](test::TempDir& dir, PrepareOptions&, std::string& output) {
         std::filesystem::create_hard_link(sineWav(dir, 0.5), dir.path("link.wav"));
         output = dir.path("link.wav");
         return std::string("would overwrite the recording");
     }},
    {"OneByteTooLong",
     [](test::TempDir& dir, PrepareOptions& options, std::string&) {
         sineWav(dir, 1.0);  // 22,050 frames out
         options.maxOutputBytes = gameWavBytes(22050) - 1;
         return std::string(
             "too long for the game: the result would be 88,244 bytes, over the "
             "88,243");
     }},
    {"CancelledHalfWay",
     [](test::TempDir& dir, PrepareOptions& options, std::string&) {
         sineWav(dir, 2.0);
         auto done = std::make_shared<double>(0);
         options.blockFrames = 4410;
         options.onProgress = [done](double fraction) { *done = fraction; };
         options.shouldCancel = [done] { return *done >= 0.5; };
         return std::string();
     }},
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class RefusedRun : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedRun, LeavesNothingBehind) {
    test::TempDir dir;
    PrepareOptions options;
    std::string output = dir.path("out.wav");
    test::writeFile(output, Bytes{'k', 'e', 'e', 'p'});
    const std::string reason = GetParam().setUp(dir, options, output);
    const std::set<std::string> before = filesIn(dir.path(""));
    const Bytes outputBefore = test::readFile(output);

    if (reason.empty()) {
        EXPECT_TRUE(prepareGameWav(dir.path("in.wav"), output, options).cancelled);
    } else {
        try {
            prepareGameWav(dir.path("in.wav"), output, options);
            ADD_FAILURE() << "no error";
        } catch (const AudioError& error) {
            EXPECT_THAT(error.what(), HasSubstr(reason));
            EXPECT_THAT(error.what(), HasSubstr(dir.path("")));
            EXPECT_EQ(std::strchr(error.what(), '\n'), nullptr);
        }
    }
    EXPECT_EQ(filesIn(dir.path("")), before);
    EXPECT_EQ(test::readFile(output), outputBefore);
}

INSTANTIATE_TEST_SUITE_P(Inputs, RefusedRun, testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PrepareFiles, ExactlyTheLongestResultIsAllowed) {
    test::TempDir dir;
    const PrepareResult result = prepareGameWav(sineWav(dir, 1.0), dir.path("out.wav"),
                                                {.maxOutputBytes = gameWavBytes(22050)});
    EXPECT_EQ(result.framesWritten, 22050);
}

}  // namespace
}  // namespace corvan::audio
