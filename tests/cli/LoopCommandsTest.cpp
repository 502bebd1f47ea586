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
#include <cstdlib>
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
    // suggest-loop prepares a copy in the temporary folder: the test's own.
    LoopCommands() : previousTmpdir(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "") {
        setenv("TMPDIR", dir.path("").c_str(), 1);
    }
    ~LoopCommands() override {
        previousTmpdir.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", previousTmpdir.c_str(), 1);
    }

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
    const std::string previousTmpdir;
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

// Every suggestion of `json`: its start and end frame, sliders and whether it needs padding.
struct Suggested {
    std::int64_t startFrame, endFrame;
    int startSlider, endSlider;
    bool padded;
    double score;
};
std::vector<Suggested> suggestionsOf(const std::string& json) {
    std::vector<Suggested> all;
    for (std::size_t at = json.find("{\"start_slider\""); at != std::string::npos;
         at = json.find("{\"start_slider\"", at + 1)) {
        const std::size_t padding = json.find("\"needs_padding\":", at);
        all.push_back({static_cast<std::int64_t>(jsonField(json, "start_frame", at)),
                       static_cast<std::int64_t>(jsonField(json, "end_frame", at)),
                       static_cast<int>(jsonField(json, "start_slider", at)),
                       static_cast<int>(jsonField(json, "end_slider", at)),
                       json.compare(padding + 16, 4, "true") == 0, jsonField(json, "score", at)});
    }
    return all;
}

// The loop of a written IMC file in frames of its WAV, read back from its header.
std::pair<std::int64_t, std::int64_t> loopOfTrack(platform::FileSystem& files,
                                                  const std::string& imc) {
    const CliRun inspected = runCliInProcess({"inspect", "--json", imc}, files);
    return {(static_cast<std::int64_t>(jsonField(inspected.out, "loopStartWavByte")) - 44) / 4,
            (static_cast<std::int64_t>(jsonField(inspected.out, "loopEndWavByte")) - 44) / 4};
}

TEST_F(LoopCommands, SuggestedLoopsArePhrasesToTheSampleAndLandWhereTheSlidersSay) {
    // Four times a phrase of 160,965 frames, no whole number of any analysis step.
    const std::string song = phrases("song.wav", 22050, 2, 7.3, 4);
    const std::int64_t phrase = 160965;
    const std::int64_t wavBytes = static_cast<std::int64_t>(fs::file_size(song));
    const CliRun json = cli({"suggest-loop", "--json", "--top", "3", song});
    ASSERT_EQ(json.status, 0) << json.err;
    const std::vector<Suggested> suggested = suggestionsOf(json.out);
    ASSERT_EQ(suggested.size(), 3u) << json.out;
    for (const Suggested& s : suggested) {
        SCOPED_TRACE(std::to_string(s.startFrame) + " " + std::to_string(s.endFrame));
        EXPECT_EQ((s.endFrame - s.startFrame) % phrase, 0);
        EXPECT_GE(s.endFrame - s.startFrame, 29.2 / 3 * 22050);
        EXPECT_LE(s.score, suggested.front().score) << "best first";
        // The sliders reach the frames exactly: in the recording as it is, or in the copy that
        // prepare --loop-at-frames pads, whose --loop line they are.
        std::int64_t bytes = wavBytes;
        if (s.padded) {
            const CliRun padded =
                cli({"prepare", "--overwrite", "--loop-at-frames", std::to_string(s.startFrame),
                     std::to_string(s.endFrame), song, dir.path("padded.wav")});
            ASSERT_EQ(padded.status, 0) << padded.err;
            EXPECT_NE(padded.out.find("\n--loop " + std::to_string(s.startSlider) + " " +
                                      std::to_string(s.endSlider) + "\n"),
                      std::string::npos)
                << padded.out;
            bytes = static_cast<std::int64_t>(fs::file_size(dir.path("padded.wav")));
        }
        const loop::LoopFrames frames = loop::loopFramesFor(bytes, s.startSlider, s.endSlider);
        EXPECT_TRUE(frames.onWholeFrames());
        EXPECT_EQ(frames.startFrame, s.startFrame);
        EXPECT_EQ(frames.endFrame, s.endFrame);
    }

    // One step: the track the game plays loops the best of them, read back from its header.
    const CliRun converted = cli({"convert", "--auto-loop", song, dir.path("auto.imc")});
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(loopOfTrack(posix, dir.path("auto.imc")),
              std::make_pair(suggested.front().startFrame, suggested.front().endFrame));
    EXPECT_NE(converted.out.find("--loop " + std::to_string(suggested.front().startSlider)),
              std::string::npos);

    EXPECT_EQ(cli({"convert", "--auto-loop", "--loop", "1", "2", song, dir.path("x.imc")}).status,
              2);
    EXPECT_EQ(cli({"suggest-loop", "--near", "soon", song}).status, 2);
    const CliRun none = cli({"suggest-loop", "--min-length", "30", song});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no loop of 0:30.000 or longer"), std::string::npos) << none.err;
}

TEST_F(LoopCommands, SuggestLoopCountsInThePreparedFile) {
    // At 44.1 kHz in mono: the frames are those of the prepared copy, at 22,050 Hz.
    const std::string song = phrases("song44.wav", 44100, 1, 4.0, 3);
    const CliRun json = cli({"suggest-loop", "--json", "--top", "1", "--any-frame", song});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"for_prepared_copy\":true"), std::string::npos);
    const std::vector<Suggested> suggested = suggestionsOf(json.out);
    ASSERT_EQ(suggested.size(), 1u);
    EXPECT_EQ((suggested[0].endFrame - suggested[0].startFrame) % (4 * 22050), 0);
    EXPECT_EQ(jsonField(json.out, "end_seconds"), loop::framesToSeconds(suggested[0].endFrame));
    EXPECT_NE(cli({"suggest-loop", "--top", "1", song}).out.find("game-ready copy"),
              std::string::npos);
    EXPECT_EQ(cli({"suggest-loop", "--top", "0", song}).status, 2);
    EXPECT_EQ(cli({"suggest-loop", dir.path("missing.wav")}).status, 1);
    EXPECT_EQ(folder(), (std::vector<std::string>{"song44.wav"})) << "the prepared copy is gone";
}

// --- prepare --loop-at ------------------------------------------------------------------

TEST_F(LoopCommands, PrepareLoopAtLandsTheLoopToTheFrame) {
    const std::string mono = dir.path("mono.wav");
    ASSERT_TRUE(writeSine(mono, kWav16, 44100, 1, 2.0, 440, -6));
    ASSERT_EQ(cli({"prepare", mono, dir.path("plain.wav")}).status, 0);
    const Pcm16 plain = readPcm16(dir.path("plain.wav"));
    struct Case {
        std::string option, start, end;
        std::int64_t startFrame, endFrame;
        bool exact;
    };
    // The header's first loop start is frame 55, and the end cannot pass the music: the
    // whole recording cannot land exactly.
    const Case cases[] = {{"--loop-at", "0.5", "1.5", 11025, 33075, true},
                          {"--loop-at", "0:00.250", "0:01.999", 5513, 44078, true},
                          {"--loop-at-frames", "22050", "26461", 22050, 26461, true},
                          {"--loop-at", "0", "2", 0, 44100, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start + " " + c.end);
        const std::string padded = dir.path("padded.wav");
        const CliRun r = cli({"prepare", "--overwrite", c.option, c.start, c.end, mono, padded});
        ASSERT_EQ(r.status, 0) << r.err;
        int start = -1, end = -1;
        const std::size_t line = r.out.find("\n--loop ");
        ASSERT_NE(line, std::string::npos) << r.out;
        ASSERT_EQ(std::sscanf(r.out.c_str() + line, "\n--loop %d %d\n", &start, &end), 2);
        const auto bytes = static_cast<std::int64_t>(fs::file_size(padded));
        const loop::LoopFrames loop = loop::loopFramesFor(bytes, start, end);
        EXPECT_TRUE(loop.onWholeFrames());
        EXPECT_EQ(loop.lengthFrames() == c.endFrame - c.startFrame, c.exact);
        EXPECT_LE(std::abs(loop.startFrame - c.startFrame), c.exact ? 1543 : 2000);
        EXPECT_EQ(r.err.find("warning: no landing is exact") != std::string::npos, !c.exact)
            << r.err;
        if (c.option == "--loop-at-frames") {
            EXPECT_EQ(loop.startFrame, c.startFrame) << "not moved";
        }
        // The music as a plain preparation has it, then the padding.
        const Pcm16 samples = readPcm16(padded);
        ASSERT_GE(samples.samples.size(), plain.samples.size());
        EXPECT_TRUE(
            std::equal(plain.samples.begin(), plain.samples.end(), samples.samples.begin()));
    }
    const std::string out = dir.path("refused.wav");
    EXPECT_EQ(cli({"prepare", "--loop-at", "1.5", "0.5", mono, out}).status, 2);
    EXPECT_EQ(cli({"prepare", "--loop-at", "1:5", "2", mono, out}).status, 2);
    EXPECT_EQ(cli({"prepare", "--loop-at", "0.5", "2.5", mono, out}).status, 1);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(folder(), (std::vector<std::string>{"mono.wav", "padded.wav", "plain.wav"}))
        << "no temporary file left behind";
}

}  // namespace
}  // namespace corvan::test
