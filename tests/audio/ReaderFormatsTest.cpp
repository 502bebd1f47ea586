// Formats FFmpeg reads, made by the ffmpeg program from a known signal and prepared:
// whole, at the source's level and in step with it.

#include "Signals.h"
#include "audio/AudioCheck.h"
#include "audio/AudioError.h"
#include "audio/AudioPreparer.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <numbers>

namespace corvan::audio {
namespace {

struct Made {
    const char* name;
    const char* file;
    const char* before;  // ffmpeg options ahead of the WAV's -i (another input)
    const char* after;   // options between the WAV and the output
    double toleranceMs;  // on the length and the alignment
    double minCorrelation;
    int stream = -1;
};

void PrintTo(const Made& made, std::ostream* out) {
    *out << made.name;
}

// Not a whole number of any codec's frames, so that padding at the end would show.
constexpr double kSeconds = 29.99;

// Left: a sweep from 200 Hz to 2 kHz; right: 600 Hz. Not periodic, so a shift shows.
double signal(std::int64_t frame, int channel) {
    const double t = static_cast<double>(frame) / 44100;
    const double phase = channel == 0 ? 200 * t + 1800 * t * t / (2 * kSeconds) : 600 * t;
    return 0.5 * std::sin(2 * std::numbers::pi * phase);
}

bool makeWithFfmpeg(test::TempDir& dir, const Made& made) {
    const std::string command = std::string("ffmpeg -nostdin -v error -y ") + made.before + " -i " +
                                test::quote(dir.path("in.wav")) + " " + made.after + " " +
                                test::quote(dir.path(made.file));
    return test::runProcess(command, dir.path("ffmpeg.out"), dir.path("ffmpeg.err")).status == 0;
}

double rmsDb(const std::vector<double>& x) {
    double sum = 0;
    for (const double v : x) sum += v * v;
    return 10 * std::log10(sum / static_cast<double>(x.size()));
}

// The best correlation of `b` with `a` over shifts up to `maxShift` frames.
double bestCorrelation(const std::vector<double>& a, const std::vector<double>& b, int maxShift) {
    double best = -1;
    for (int shift = -maxShift; shift <= maxShift; ++shift) {
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = static_cast<std::size_t>(maxShift);
             i + static_cast<std::size_t>(maxShift) < a.size(); ++i) {
            const double y = b[static_cast<std::size_t>(static_cast<long>(i) + shift)];
            ab += a[i] * y;
            aa += a[i] * a[i];
            bb += y * y;
        }
        best = std::max(best, ab / std::sqrt(aa * bb));
    }
    return best;
}

class MadeByFfmpeg : public testing::TestWithParam<Made> {};

TEST_P(MadeByFfmpeg, IsPreparedWholeAtItsLevelAndInStep) {
    const Made& made = GetParam();
    test::TempDir dir;
    ASSERT_TRUE(test::writeSound(dir.path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
                                 static_cast<std::int64_t>(kSeconds * 44100), signal));
    if (!makeWithFfmpeg(dir, made)) GTEST_SKIP() << "ffmpeg cannot make " << made.file;

    const AudioReport report = checkAudio(dir.path(made.file), made.stream);
    EXPECT_NEAR(report.durationSeconds, kSeconds, made.toleranceMs / 1000);
    PrepareOptions options;
    options.stream = made.stream;
    const PrepareResult result = prepareGameWav(dir.path(made.file), dir.path("out.wav"), options);
    EXPECT_NEAR(static_cast<double>(result.framesWritten) / imc::kSampleRate, kSeconds,
                made.toleranceMs / 1000);

    prepareGameWav(dir.path("in.wav"), dir.path("reference.wav"));
    const test::Pcm16 out = test::readPcm16(dir.path("out.wav"));
    const test::Pcm16 reference = test::readPcm16(dir.path("reference.wav"));
    const int maxShift = static_cast<int>(made.toleranceMs * imc::kSampleRate / 1000);
    for (int channel = 0; channel < 2; ++channel) {
        // Two seconds from the middle, past any start-up of the codec.
        const auto a = reference.channel(channel, 10 * imc::kSampleRate, 2 * imc::kSampleRate);
        const auto b = out.channel(channel, 10 * imc::kSampleRate - maxShift,
                                   2 * imc::kSampleRate + 2 * maxShift);
        std::vector<double> aPadded(static_cast<std::size_t>(maxShift), 0.0);
        aPadded.insert(aPadded.end(), a.begin(), a.end());
        aPadded.resize(b.size(), 0.0);
        EXPECT_NEAR(rmsDb(b), rmsDb(a), 0.1) << "channel " << channel;
        EXPECT_GT(bestCorrelation(aPadded, b, maxShift), made.minCorrelation)
            << "channel " << channel;
    }
}

constexpr const char* kVideo = "-f lavfi -i color=c=blue:s=64x64:d=30";
constexpr const char* kOtherTone = "-f lavfi -i sine=frequency=880:duration=30";

INSTANTIATE_TEST_SUITE_P(
    Formats, MadeByFfmpeg,
    testing::Values(Made{"AacInM4a", "out.m4a", "", "-c:a aac -b:a 192k", 5, 0.9},
                    Made{"AlacInM4a", "out.m4a", "", "-c:a alac", 5, 0.99},
                    Made{"OpusInWebm", "out.webm", "", "-c:a libopus -b:a 160k", 5, 0.9},
                    Made{"VorbisInMatroska", "out.mkv", "", "-c:a libvorbis", 50, 0.9},
                    Made{"Wma", "out.wma", "", "-c:a wmav2 -b:a 192k", 50, 0.9},
                    Made{"Ac3", "out.ac3", "", "-c:a ac3 -b:a 384k", 50, 0.9},
                    Made{"Mp3WithLameTag", "out.mp3", "", "-c:a libmp3lame -b:a 320k", 5, 0.9},
                    Made{"Mp3VbrWithoutXing", "out.mp3", "", "-c:a libmp3lame -q:a 2 -write_xing 0",
                         50, 0.9},
                    Made{"Mp3CbrWithoutXing", "out.mp3", "",
                         "-c:a libmp3lame -b:a 320k -write_xing 0", 50, 0.9},
                    Made{"VideoSoundtrack", "out.mp4", kVideo,
                         "-map 0:v -map 1:a -c:v mpeg4 -c:a aac -b:a 192k", 5, 0.9},
                    Made{"SecondOfTwoStreams", "out.mkv", kOtherTone,
                         "-map 0:a -map 1:a -c:a libvorbis", 50, 0.9, 1}),
    [](const testing::TestParamInfo<Made>& info) { return std::string(info.param.name); });

TEST(MadeByFfmpeg, AFileWithoutSoundIsRefusedForThatReason) {
    test::TempDir dir;
    ASSERT_TRUE(test::writeSound(dir.path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
                                 100, signal));
    const Made silentVideo{"", "out.mp4", kVideo, "-map 0:v -c:v mpeg4 -t 1", 0, 0};
    if (!makeWithFfmpeg(dir, silentVideo)) GTEST_SKIP() << "ffmpeg cannot make a video";
    EXPECT_THAT([&] { checkAudio(dir.path("out.mp4")); },
                testing::ThrowsMessage<AudioError>(testing::HasSubstr("no audio stream")));
}

}  // namespace
}  // namespace corvan::audio
