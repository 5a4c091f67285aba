// The key-click sounds installed in "Media" beside the driver: every name
// that the registry defaults and the sound schemes use is a real PCM wave
// file, short enough to play after each keystroke, loud enough to hear, and
// the sounds for regular and capital keys differ within every scheme.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Wave {
    bool valid = false;
    int channels = 0, rate = 0, bits = 0;
    std::vector<short> samples;

    double DurationMs() const { return rate ? 1000.0 * samples.size() / rate : 0; }
    int Peak() const {
        int peak = 0;
        for (short s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
        return peak;
    }
    // Sign changes per second: a rough measure of how bright the sound is.
    double CrossingsPerSecond() const {
        int crossings = 0;
        for (size_t i = 1; i < samples.size(); ++i) crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        return samples.empty() ? 0 : crossings * static_cast<double>(rate) / samples.size();
    }
};

unsigned Le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned>(p[3]) << 24); }
unsigned Le16(const unsigned char* p) { return p[0] | (p[1] << 8); }

// The Media folder of the source tree, as Wine sees the Linux root (Z:).
std::string MediaPath(const char* name) { return std::string("Z:") + ORVIK_MEDIA_DIR + "/" + name; }

Wave ReadWave(const char* name) {
    Wave wave;
    std::ifstream file(MediaPath(name), std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(&bytes[8], "WAVE", 4) != 0)
        return wave;
    bool format = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const unsigned size = Le32(&bytes[at + 4]);
        const unsigned char* body = &bytes[at + 8];
        if (at + 8 + size > bytes.size()) break;
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16) {
            format = Le16(body) == WAVE_FORMAT_PCM;
            wave.channels = Le16(body + 2);
            wave.rate = static_cast<int>(Le32(body + 4));
            wave.bits = Le16(body + 14);
        } else if (std::memcmp(&bytes[at], "data", 4) == 0 && format && wave.bits == 16) {
            for (unsigned i = 0; i + 1 < size; i += 2) wave.samples.push_back(static_cast<short>(Le16(body + i)));
            wave.valid = true;
        }
        at += 8 + size + (size & 1);
    }
    return wave;
}

const char* const kAllSounds[] = {"hwandsw.wav", "Default.wav", "start.wav",       "KeyClick1.wav",  "KeyClick2.wav",
                                  "Key1.wav",    "Key2.wav",    "TypeWriter1.wav", "TypeWriter2.wav"};

TEST(ClickSounds, EveryNameIsAShortAudiblePcmWave) {
    for (const char* name : kAllSounds) {
        const Wave wave = ReadWave(name);
        ASSERT_TRUE(wave.valid) << name << " is not a 16-bit PCM wave file at " << MediaPath(name);
        EXPECT_EQ(1, wave.channels) << name;
        EXPECT_GE(wave.rate, 11025) << name;
        EXPECT_GE(wave.DurationMs(), 10.0) << name << ": too short to hear";
        EXPECT_LE(wave.DurationMs(), 250.0) << name << ": the next key would wait for it";
        EXPECT_GE(wave.Peak(), 8000) << name << ": too quiet";
        EXPECT_LT(wave.Peak(), 32767) << name << ": clipped";
    }
}

TEST(ClickSounds, NoTwoFilesAreTheSame) {
    for (size_t i = 0; i < std::size(kAllSounds); ++i)
        for (size_t j = i + 1; j < std::size(kAllSounds); ++j)
            EXPECT_NE(ReadWave(kAllSounds[i]).samples, ReadWave(kAllSounds[j]).samples)
                << kAllSounds[i] << " and " << kAllSounds[j];
}

// Regular against capital (and modifier) sound, as the driver's defaults and
// each scheme pair them: different in brightness or clearly in length.
TEST(ClickSounds, RegularAndCapitalSoundsAreToldApartByEar) {
    const char* const kPairs[][2] = {{"hwandsw.wav", "Default.wav"},
                                     {"KeyClick1.wav", "KeyClick2.wav"},
                                     {"Key1.wav", "Key2.wav"},
                                     {"TypeWriter1.wav", "TypeWriter2.wav"}};
    for (const auto& pair : kPairs) {
        const Wave regular = ReadWave(pair[0]), capital = ReadWave(pair[1]);
        const double brightness = regular.CrossingsPerSecond() / capital.CrossingsPerSecond();
        const double lengths = std::fabs(regular.DurationMs() - capital.DurationMs());
        EXPECT_TRUE(brightness > 1.3 || brightness < 1 / 1.3 || lengths >= 15)
            << pair[0] << " and " << pair[1] << " sound alike (brightness ratio " << brightness << ", lengths differ by "
            << lengths << " ms)";
    }
}

}  // namespace
