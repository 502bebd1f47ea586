#include "audio/Wording.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>

namespace corvan::audio {

namespace {

// libsndfile's own name of a container or an encoding (one of the two parts of a format), for those
// not worded here.
std::string libraryName(int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || info.name == nullptr) {
        return "unknown";
    }
    return info.name;
}

}  // namespace

std::string withThousands(std::int64_t value) {
    const std::string digits = std::to_string(value < 0 ? -value : value);
    std::string text = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

std::string describeContainer(int sfFormat) {
    const int major = sfFormat & SF_FORMAT_TYPEMASK;
    switch (major) {
        case SF_FORMAT_WAV:
            return "WAV";
        case SF_FORMAT_WAVEX:
            return "WAV";
        case SF_FORMAT_RF64:
            return "RF64 WAV";
        case SF_FORMAT_W64:
            return "Wave64";
        case SF_FORMAT_AIFF:
            return "AIFF";
        case SF_FORMAT_CAF:
            return "CAF";
        case SF_FORMAT_FLAC:
            return "FLAC";
        case SF_FORMAT_OGG:
            return "Ogg";
        default:
            return libraryName(major);
    }
}

std::string describeEncoding(int sfFormat) {
    const int encoding = sfFormat & SF_FORMAT_SUBMASK;
    switch (encoding) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return "8-bit PCM";
        case SF_FORMAT_PCM_16:
            return "16-bit PCM";
        case SF_FORMAT_PCM_24:
            return "24-bit PCM";
        case SF_FORMAT_PCM_32:
            return "32-bit PCM";
        case SF_FORMAT_FLOAT:
            return "32-bit float";
        case SF_FORMAT_DOUBLE:
            return "64-bit float";
        case SF_FORMAT_ULAW:
            return "u-law";
        case SF_FORMAT_ALAW:
            return "A-law";
        case SF_FORMAT_IMA_ADPCM:
            return "IMA ADPCM";
        case SF_FORMAT_MS_ADPCM:
            return "Microsoft ADPCM";
        case SF_FORMAT_VORBIS:
            return "Vorbis";
        case SF_FORMAT_OPUS:
            return "Opus";
        case SF_FORMAT_MPEG_LAYER_I:
            return "MPEG Layer I";
        case SF_FORMAT_MPEG_LAYER_II:
            return "MPEG Layer II";
        case SF_FORMAT_MPEG_LAYER_III:
            return "MPEG Layer III";
        default:
            return libraryName(encoding);
    }
}

std::string describeCodec(int sfFormat) {
    if ((sfFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) return "FLAC";
    switch (sfFormat & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
            return "PCM";
        case SF_FORMAT_ALAC_16:
        case SF_FORMAT_ALAC_20:
        case SF_FORMAT_ALAC_24:
        case SF_FORMAT_ALAC_32:
            return "ALAC";
        default:
            return describeEncoding(sfFormat);
    }
}

std::string describeChannels(int channels) {
    if (channels == 1) return "1 channel (mono)";
    if (channels == 2) return "2 channels (stereo)";
    return std::to_string(channels) + " channels";
}

std::string formatTime(double seconds) {
    const long long ms = std::llround(std::abs(seconds) * 1000.0);
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld:%02lld.%03lld", seconds < 0 && ms > 0 ? "-" : "",
                  ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

}  // namespace corvan::audio
