// corvan-cli's loop commands, run in process through runCli: the loop times that inspect and
// check show, the seam that preview writes and the loops that suggest-loop ranks.

#include "audio/Signals.h"
#include "audio/Wording.h"
#include "engine/ImcFormat.h"
#include "loop/LoopPosition.h"
#include "platform/PosixFileSystem.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <sstream>

namespace corvan::test {
namespace {

namespace fs = std::filesystem;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

// The number after "key": in a JSON text, from `from` on; NaN when there is none.
double jsonField(const std::string& json, const std::string& key, std::size_t from = 0) {
    const std::string tag = "\"" + key + "\":";
    const std::size_t at = json.find(tag, from);
    if (at == std::string::npos) return std::nan("");
    return std::stod(json.substr(at + tag.size()));
}

class LoopCommands : public ::testing::Test {
protected:
    CliRun cli(const std::vector<std::string>& arguments) {
        return runCliInProcess(arguments, posix);
    }

    // A game-ready WAV in which no two frames are alike: the left channel counts the frames,
    // the right channel how many times the left one wrapped.
    std::string ramp(double seconds) {
        const std::string path = dir.path("ramp.wav");
        EXPECT_TRUE(writeSound(
            path, kWav16, 22050, 2, std::llround(seconds * 22050),
            [](std::int64_t frame, int channel) {
                const std::int64_t step = channel == 0 ? frame % 30000 : frame / 30000;
                return static_cast<double>(step - 15000) / 32767.0;  // libsndfile scales by 32767
            }));
        return path;
    }

    // An 8-note phrase of `phraseSeconds`, each note a decaying tone of its own pitch, played
    // `repeats` times.
    std::string phrases(const std::string& name, int rate, int channels, double phraseSeconds,
                        int repeats) {
        const std::string path = dir.path(name);
        const double noteSeconds = phraseSeconds / 8;
        const double pitches[8] = {262, 330, 392, 294, 349, 440, 247, 523};
        EXPECT_TRUE(writeSound(
            path, kWav16, rate, channels, std::llround(phraseSeconds * repeats * rate),
            [&](std::int64_t frame, int) {
                const double t = std::fmod(static_cast<double>(frame) / rate, phraseSeconds);
                const int note = static_cast<int>(t / noteSeconds);
                const double inNote = t - note * noteSeconds;
                return 0.4 * std::exp(-4 * inNote) *
                       std::sin(2 * std::numbers::pi * pitches[note] * inNote);
            }));
        return path;
    }

    std::vector<std::string> folder() const { return dir.names(); }

    TempDir dir;
    platform::PosixFileSystem posix;
};

// --- inspect and check ---------------------------------------------------------------

TEST_F(LoopCommands, InspectAndCheckShowWhereTheSlidersPutTheLoop) {
    const std::string wav = ramp(3.0);
    const std::int64_t wavBytes = static_cast<std::int64_t>(fs::file_size(wav));
    const std::string imc = dir.path("l.imc");
    struct Case {
        int start, end;
    };
    for (const Case c : {Case{0, 32767}, Case{3277, 29490}, Case{1000, 1001}, Case{16384, 20000}}) {
        SCOPED_TRACE(std::to_string(c.start) + " " + std::to_string(c.end));
        ASSERT_EQ(
            cli({"convert", "--loop", std::to_string(c.start), std::to_string(c.end), wav, imc})
                .status,
            0);
        const loop::LoopFrames loop = loop::loopFramesFor(wavBytes, c.start, c.end);
        const auto time = [](std::int64_t frames) {
            return audio::formatTime(loop::framesToSeconds(frames));
        };
        const auto offsets = loop::loopHeaderOffsets(wavBytes, c.start, c.end);
        const std::int64_t startByte = offsets.loopStart - imc::kHeaderToWavOffset;
        const std::int64_t endByte = offsets.loopEnd - imc::kHeaderToWavOffset;

        const CliRun text = cli({"inspect", imc});
        EXPECT_EQ(text.status, 0) << text.err;
        const std::string tail =
            "loop start: " + std::to_string(offsets.loopStart) + "\n" +
            "loop end: " + std::to_string(offsets.loopEnd) + "\n" +
            "loop start time: " + time(loop.startFrame) + " (WAV byte " +
            std::to_string(startByte) + ")\nloop end time: " + time(loop.endFrame) + " (WAV byte " +
            std::to_string(endByte) + ")\nloop length: " + time(loop.lengthFrames()) + " (" +
            std::to_string(endByte - startByte) + " bytes)\n";
        ASSERT_GE(text.out.size(), tail.size());
        EXPECT_EQ(text.out.substr(text.out.size() - tail.size()), tail);

        const CliRun json = cli({"inspect", "--json", imc});
        EXPECT_EQ(json.status, 0);
        EXPECT_EQ(json.out.substr(json.out.size() - 2), "}\n");
        EXPECT_EQ(jsonField(json.out, "loopStartSeconds"), loop::framesToSeconds(loop.startFrame));
        EXPECT_EQ(jsonField(json.out, "loopEndSeconds"), loop::framesToSeconds(loop.endFrame));
        EXPECT_EQ(jsonField(json.out, "loopLengthSeconds"),
                  loop::framesToSeconds(loop.lengthFrames()));
        EXPECT_EQ(jsonField(json.out, "loopLengthBytes"), static_cast<double>(endByte - startByte));

        const CliRun check = cli({"check", imc});
        EXPECT_EQ(check.status, 0) << check.err;
        EXPECT_EQ(check.out, imc + ": IMC file, looped music, " + std::to_string(wavBytes / 1000) +
                                 "," + std::to_string(wavBytes % 1000) +
                                 " WAV bytes: well-formed\n  loop from " + time(loop.startFrame) +
                                 " to " + time(loop.endFrame) + ", " + time(loop.lengthFrames()) +
                                 " long\n");
        const CliRun checkJson = cli({"check", "--json", imc});
        EXPECT_EQ(jsonField(checkJson.out, "loopEndSeconds"), loop::framesToSeconds(loop.endFrame));
    }

    // Queued music has no loop; a damaged header is not well-formed.
    ASSERT_EQ(cli({"convert", wav, dir.path("q.imc")}).status, 0);
    EXPECT_EQ(cli({"inspect", dir.path("q.imc")}).out.find("loop"), std::string::npos);
    EXPECT_EQ(cli({"check", dir.path("q.imc")}).status, 0);
    Bytes damaged = readFile(imc);
    damaged[40] ^= 0xFF;
    writeFile(dir.path("bad.imc"), damaged);
    const CliRun bad = cli({"check", dir.path("bad.imc"), wav});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out.rfind(dir.path("bad.imc") + ": IMC file, looped music: not well-formed: ", 0),
              0u);
    EXPECT_EQ(cli({"inspect", dir.path("bad.imc")}).out.find("loop start time"), std::string::npos);
}

// --- preview ---------------------------------------------------------------------------

TEST_F(LoopCommands, PreviewHoldsTheSamplesAroundTheJump) {
    const std::string wav = ramp(3.0);
    const Pcm16 source = readPcm16(wav);
    ASSERT_EQ(source.samples[2 * 42345], 12345 - 15000) << "every frame tells where it lies";
    ASSERT_EQ(source.samples[2 * 42345 + 1], 1 - 15000);
    const std::int64_t wavBytes = static_cast<std::int64_t>(fs::file_size(wav));
    struct Case {
        std::string start, end, seconds;
        int startSlider, endSlider;
    };
    // Spans cut short at the file's start and end, a loop of the whole file, percentages.
    const Case cases[] = {{"10%", "90%", "0.5", 3277, 29490},
                          {"1000", "30000", "4", 1000, 30000},
                          {"0", "32767", "0.25", 0, 32767},
                          {"12000", "12400", "0.01", 12000, 12400}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start + " " + c.end + " " + c.seconds);
        const loop::LoopFrames loop = loop::loopFramesFor(wavBytes, c.startSlider, c.endSlider);
        const std::int64_t span = loop::secondsToFrames(std::stod(c.seconds));
        const std::int64_t before = std::min(span, loop.endFrame);
        const std::int64_t after = std::min(span, source.frames() - loop.startFrame);
        std::vector<std::int16_t> expected(source.samples.begin() + (loop.endFrame - before) * 2,
                                           source.samples.begin() + loop.endFrame * 2);
        expected.insert(expected.end(), source.samples.begin() + loop.startFrame * 2,
                        source.samples.begin() + (loop.startFrame + after) * 2);

        const CliRun fromWav = cli({"preview", "--overwrite", "--loop", c.start, c.end, "--seconds",
                                    c.seconds, wav, dir.path("wav-seam.wav")});
        ASSERT_EQ(fromWav.status, 0) << fromWav.err;
        const Pcm16 seam = readPcm16(dir.path("wav-seam.wav"));
        EXPECT_EQ(seam.rate, 22050);
        EXPECT_EQ(seam.channels, 2);
        EXPECT_EQ(seam.samples, expected);

        // The IMC file's own header gives the same loop.
        ASSERT_EQ(cli({"convert", "--loop", c.start, c.end, wav, dir.path("l.imc")}).status, 0);
        const CliRun fromImc = cli({"preview", "--overwrite", "--seconds", c.seconds,
                                    dir.path("l.imc"), dir.path("imc-seam.wav")});
        ASSERT_EQ(fromImc.status, 0) << fromImc.err;
        EXPECT_EQ(readPcm16(dir.path("imc-seam.wav")).samples, expected);
    }
    // The WAV copied out of the IMC file is gone.
    EXPECT_EQ(folder(), (std::vector<std::string>{"imc-seam.wav", "l.imc", "l.imc.bak", "ramp.wav",
                                                  "wav-seam.wav"}));
}

TEST_F(LoopCommands, PreviewRefusesWhatItCannotPlay) {
    const std::string wav = ramp(1.0);
    const std::string mono = dir.path("mono.wav");
    ASSERT_TRUE(writeSine(mono, kWav16, 44100, 1, 1.0, 440, -6));
    ASSERT_EQ(cli({"convert", wav, dir.path("q.imc")}).status, 0);
    ASSERT_EQ(cli({"convert", "--loop", "0", "100", mono, dir.path("mono.imc")}).status, 0);
    ASSERT_EQ(cli({"convert", "--loop", "0", "100", wav, dir.path("l.imc")}).status, 0);
    const std::string out = dir.path("seam.wav");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {{"preview", "--loop", "0", "50%", mono, out}, 1, "corvan-cli prepare"},
        {{"preview", dir.path("mono.imc"), out}, 1, "the WAV inside is not ready"},
        {{"preview", dir.path("q.imc"), out}, 1, "queued music has no loop"},
        {{"preview", wav, out}, 2, "needs --loop"},
        {{"preview", "--loop", "0", "5", dir.path("l.imc"), out}, 2, "header gives its loop"},
        {{"preview", "--loop", "9", "5", wav, out}, 2, "start lies behind the end"},
        {{"preview", "--loop", "0", "5", "--seconds", "0", wav, out}, 2, "--seconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const CliRun r = cli(c.arguments);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("\nusage: corvan-cli convert") != std::string::npos, c.status == 2);
        EXPECT_FALSE(fs::exists(out));
    }
    EXPECT_EQ(folder().size(), 5u) << "nothing left behind";
}

// --- suggest-loop ----------------------------------------------------------------------

TEST_F(LoopCommands, SuggestLoopFindsTheRepetition) {
    // Three times the same 8 s phrase: the seamless loops last a whole number of phrases.
    const std::string song = phrases("song.wav", 22050, 2, 8.0, 3);
    const std::int64_t wavBytes = static_cast<std::int64_t>(fs::file_size(song));
    const CliRun json = cli({"suggest-loop", "--json", "--top", "4", song});
    ASSERT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(json.out.rfind("{\"suggestions\":[{", 0), 0u) << json.out;

    std::vector<std::size_t> entries;
    for (std::size_t at = json.out.find("{\"start_slider\""); at != std::string::npos;
         at = json.out.find("{\"start_slider\"", at + 1)) {
        entries.push_back(at);
    }
    ASSERT_EQ(entries.size(), 4u);
    double previous = 1.0;
    for (const std::size_t at : entries) {
        const auto start = static_cast<int>(jsonField(json.out, "start_slider", at));
        const auto end = static_cast<int>(jsonField(json.out, "end_slider", at));
        const loop::LoopFrames loop = loop::loopFramesFor(wavBytes, start, end);
        EXPECT_TRUE(loop.onWholeFrames()) << start << " " << end;
        EXPECT_EQ(jsonField(json.out, "start_seconds", at), loop::framesToSeconds(loop.startFrame));
        EXPECT_EQ(jsonField(json.out, "end_seconds", at), loop::framesToSeconds(loop.endFrame));
        EXPECT_EQ(jsonField(json.out, "start_percent", at), imc::permilleForSlider(start) / 10.0);
        const double length = jsonField(json.out, "length_seconds", at);
        EXPECT_GE(length, 8.0) << "a third of 24 s";
        const double score = jsonField(json.out, "score", at);
        EXPECT_LE(score, previous) << "best first";
        previous = score;
    }
    // The best jumps by whole phrases, to within the sliders' grid of 24 ms.
    const double best = jsonField(json.out, "length_seconds");
    EXPECT_NEAR(best, 8.0 * std::round(best / 8.0), 0.03);
    EXPECT_GE(jsonField(json.out, "score"), 0.8);

    // The words name the best one and how to use it.
    const CliRun text = cli({"suggest-loop", "--top", "1", song});
    ASSERT_EQ(text.status, 0);
    const std::string use = "Best: corvan-cli convert --loop " +
                            std::to_string(static_cast<int>(jsonField(json.out, "start_slider"))) +
                            " " +
                            std::to_string(static_cast<int>(jsonField(json.out, "end_slider"))) +
                            " " + song + " TARGET.imc\n";
    EXPECT_NE(text.out.find(use), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("prepared"), std::string::npos);

    // --min-length overrides the third; nothing that long fits: status 1.
    const CliRun longer = cli({"suggest-loop", "--json", "--min-length", "17", song});
    ASSERT_EQ(longer.status, 0);
    EXPECT_GE(jsonField(longer.out, "length_seconds"), 17.0);
    const CliRun none = cli({"suggest-loop", "--min-length", "30", song});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no loop of 0:30.000 or longer"), std::string::npos) << none.err;
}

TEST_F(LoopCommands, SuggestLoopCountsInThePreparedFile) {
    // At 44.1 kHz in mono: the positions are those of the prepared copy, which is half as many
    // frames in stereo.
    const std::string song = phrases("song44.wav", 44100, 1, 4.0, 3);
    const CliRun json = cli({"suggest-loop", "--json", "--top", "1", song});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"for_prepared_copy\":true"), std::string::npos);
    const std::int64_t preparedBytes = audio::gameWavBytes(12 * 22050);
    const auto start = static_cast<int>(jsonField(json.out, "start_slider"));
    const auto end = static_cast<int>(jsonField(json.out, "end_slider"));
    const loop::LoopFrames loop = loop::loopFramesFor(preparedBytes, start, end);
    EXPECT_EQ(jsonField(json.out, "end_seconds"), loop::framesToSeconds(loop.endFrame));

    const CliRun text = cli({"suggest-loop", "--top", "1", song});
    EXPECT_NE(text.out.find("the loop applies to that prepared file"), std::string::npos);
    EXPECT_NE(text.out.find("Best: corvan-cli convert --prepare --loop " + std::to_string(start) +
                            " " + std::to_string(end)),
              std::string::npos)
        << text.out;

    // --any-frame lets in ends that fall inside a frame; by default none does.
    const CliRun any = cli({"suggest-loop", "--json", "--any-frame", "--top", "40", song});
    ASSERT_EQ(any.status, 0);
    bool split = false;
    for (std::size_t at = any.out.find("{\"start_slider\""); at != std::string::npos;
         at = any.out.find("{\"start_slider\"", at + 1)) {
        split =
            split || !loop::loopFramesFor(preparedBytes,
                                          static_cast<int>(jsonField(any.out, "start_slider", at)),
                                          static_cast<int>(jsonField(any.out, "end_slider", at)))
                          .onWholeFrames();
    }
    EXPECT_TRUE(split);
    EXPECT_EQ(cli({"suggest-loop", "--top", "0", song}).status, 2);
    EXPECT_EQ(cli({"suggest-loop", dir.path("missing.wav")}).status, 1);
}

// --- prepare --loop-at ------------------------------------------------------------------

TEST_F(LoopCommands, PrepareLoopAtPutsTheLoopWhereItWasAsked) {
    const std::string mono = dir.path("mono.wav");
    ASSERT_TRUE(writeSine(mono, kWav16, 44100, 1, 2.0, 440, -6));
    ASSERT_EQ(cli({"prepare", mono, dir.path("plain.wav")}).status, 0);
    const Pcm16 plain = readPcm16(dir.path("plain.wav"));
    // The "--loop S E" line and the error in "..., within E ms of the times ...".
    const auto printed = [](const std::string& out, int& start, int& end, std::string& error) {
        const std::size_t loop = out.find("\n--loop ");
        const std::size_t within = out.find(", within ", loop);
        const std::size_t ms = out.find(" ms of the times", within);
        if (loop == std::string::npos || within == std::string::npos || ms == std::string::npos)
            return false;
        error = out.substr(within + 9, ms - within - 9);
        return std::sscanf(out.c_str() + loop, "\n--loop %d %d\nloop from", &start, &end) == 2;
    };
    struct Case {
        std::string start, end;
        double startSeconds, endSeconds;
        bool metAim;
    };
    // The jump lies 256 bytes before the position the end slider gives, so the very end of
    // the recording stays a little out of reach.
    const Case cases[] = {{"0.5", "1.5", 0.5, 1.5, true},
                          {"0:00.250", "0:01.999", 0.25, 1.999, true},
                          {"1", "1.2", 1.0, 1.2, true},
                          {"0", "2", 0.0, 2.0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start + " " + c.end);
        const std::string padded = dir.path("padded.wav");
        const CliRun r = cli({"prepare", "--overwrite", "--loop-at", c.start, c.end, mono, padded});
        ASSERT_EQ(r.status, 0) << r.err;
        int start = -1, end = -1;
        std::string errorText;
        ASSERT_TRUE(printed(r.out, start, end, errorText)) << r.out;
        const double errorMs = std::stod(errorText);
        if (c.metAim) {
            EXPECT_LE(errorMs, 1.0);
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_GT(errorMs, 1.0);
            EXPECT_EQ(r.err, "corvan-cli: warning: the loop misses the times asked for by " +
                                 errorText +
                                 " ms, more than the 1 ms aimed for; no padding up to 5 minutes "
                                 "comes closer\n");
        }

        // As many frames as a plain preparation (whose dither differs from run to run, by a
        // step or two), then silence only.
        const Pcm16 samples = readPcm16(padded);
        ASSERT_GE(samples.samples.size(), plain.samples.size());
        EXPECT_TRUE(std::equal(plain.samples.begin(), plain.samples.end(), samples.samples.begin(),
                               [](int a, int b) { return std::abs(a - b) <= 2; }));
        EXPECT_TRUE(std::all_of(samples.samples.begin() + static_cast<long>(plain.samples.size()),
                                samples.samples.end(), [](std::int16_t v) { return v == 0; }));

        // The printed sliders, given to convert, loop within the error reported.
        const auto bytes = static_cast<std::int64_t>(fs::file_size(padded));
        const loop::LoopFrames loop = loop::loopFramesFor(bytes, start, end);
        EXPECT_TRUE(loop.onWholeFrames());
        EXPECT_LE(std::abs(loop::framesToSeconds(loop.startFrame) - c.startSeconds) * 1000,
                  errorMs + 0.0005);
        EXPECT_LE(std::abs(loop::framesToSeconds(loop.endFrame) - c.endSeconds) * 1000,
                  errorMs + 0.0005);
        ASSERT_EQ(cli({"convert", "--loop", std::to_string(start), std::to_string(end), padded,
                       dir.path("l.imc")})
                      .status,
                  0);
        const CliRun inspected = cli({"inspect", "--json", dir.path("l.imc")});
        EXPECT_EQ(jsonField(inspected.out, "loopStartSeconds"),
                  loop::framesToSeconds(loop.startFrame));
        EXPECT_EQ(jsonField(inspected.out, "loopEndSeconds"), loop::framesToSeconds(loop.endFrame));
    }

    const std::string out = dir.path("refused.wav");
    EXPECT_EQ(cli({"prepare", "--loop-at", "1.5", "0.5", mono, out}).status, 2);
    EXPECT_EQ(cli({"prepare", "--loop-at", "1:5", "2", mono, out}).status, 2);
    const CliRun beyond = cli({"prepare", "--loop-at", "0.5", "2.5", mono, out});
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.err.find("the loop must lie within its 0:02.000"), std::string::npos)
        << beyond.err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(folder(), (std::vector<std::string>{"l.imc", "l.imc.bak", "mono.wav", "padded.wav",
                                                  "plain.wav"}))
        << "no temporary file left behind";
}

}  // namespace
}  // namespace corvan::test
