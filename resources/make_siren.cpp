// Writes the program's own sounds, 22050 Hz, mono, 16-bit PCM, as plain
// RIFF/WAVE files. Usage: make_siren OUTPUT.WAV [siren|approach|watch|direct]
//   siren     in range: high and low tone by turns, about 1.6 s;
//   approach  a rising two-tone: low then high, three times, about 1.3 s;
//   watch     a chime: two struck bell notes dying away, about 1.6 s;
//   direct    a short double beep, about 0.3 s.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int sampleRate = 22050;
constexpr double highHz = 960.0;
constexpr double lowHz = 770.0;
constexpr double toneSeconds = 0.4;
constexpr int tones = 4;
constexpr double fadeSeconds = 0.01; // soft edges, no clicks between tones
constexpr double amplitude = 0.6 * 32767.0;

void put16(std::vector<unsigned char> &out, uint16_t v)
{
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char> &out, uint32_t v)
{
    put16(out, static_cast<uint16_t>(v & 0xFFFF));
    put16(out, static_cast<uint16_t>(v >> 16));
}

void putTag(std::vector<unsigned char> &out, const char *tag)
{
    out.insert(out.end(), tag, tag + 4);
}

const double pi = std::acos(-1.0);

// A steady tone with soft edges, then silence.
void tone(std::vector<int16_t> &samples, double hz, double seconds, double pauseSeconds = 0.0)
{
    const int toneSamples = static_cast<int>(seconds * sampleRate);
    const int fadeSamples = static_cast<int>(fadeSeconds * sampleRate);
    const double step = 2.0 * pi * hz / sampleRate;
    double phase = 0.0;
    for (int i = 0; i < toneSamples; ++i) {
        double gain = 1.0;
        if (i < fadeSamples)
            gain = double(i) / fadeSamples;
        else if (toneSamples - i <= fadeSamples)
            gain = double(toneSamples - i - 1) / fadeSamples;
        samples.push_back(static_cast<int16_t>(std::lround(amplitude * gain * std::sin(phase))));
        phase = std::fmod(phase + step, 2.0 * pi);
    }
    samples.insert(samples.end(), static_cast<size_t>(pauseSeconds * sampleRate), 0);
}

// A struck bell: a quick attack, then partials dying away.
void bell(std::vector<int16_t> &samples, double hz, double seconds)
{
    const int count = static_cast<int>(seconds * sampleRate);
    const int attack = static_cast<int>(0.005 * sampleRate);
    const double partials[][2] = {{1.0, 0.6}, {2.76, 0.25}, {5.4, 0.15}};
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / sampleRate;
        double value = 0.0;
        for (const auto &p : partials)
            value += p[1] * std::sin(2.0 * pi * hz * p[0] * t) * std::exp(-t * 3.0 * p[0]);
        const double gain = i < attack ? double(i) / attack : 1.0;
        samples.push_back(static_cast<int16_t>(std::lround(amplitude * gain * value)));
    }
}

std::vector<int16_t> sound(const char *kind)
{
    std::vector<int16_t> samples;
    if (std::strcmp(kind, "approach") == 0) {
        for (int i = 0; i < 3; ++i) {
            tone(samples, 587.0, 0.18, 0.02);
            tone(samples, 880.0, 0.18, 0.06);
        }
    } else if (std::strcmp(kind, "watch") == 0) {
        bell(samples, 1318.5, 0.5);
        bell(samples, 1046.5, 1.1);
    } else if (std::strcmp(kind, "direct") == 0) {
        tone(samples, 1400.0, 0.08, 0.07);
        tone(samples, 1400.0, 0.08, 0.05);
    } else {
        for (int t = 0; t < tones; ++t)
            tone(samples, t % 2 == 0 ? highHz : lowHz, toneSeconds);
    }
    return samples;
}

} // namespace

int main(int argc, char **argv)
{
    const char *kind = argc == 3 ? argv[2] : "siren";
    const bool known = std::strcmp(kind, "siren") == 0 || std::strcmp(kind, "approach") == 0
                       || std::strcmp(kind, "watch") == 0 || std::strcmp(kind, "direct") == 0;
    if ((argc != 2 && argc != 3) || !known) {
        std::fprintf(stderr, "usage: %s OUTPUT.WAV [siren|approach|watch|direct]\n", argv[0]);
        return 2;
    }
    const std::vector<int16_t> samples = sound(kind);

    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<unsigned char> out;
    out.reserve(44 + dataBytes);
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);               // PCM
    put16(out, 1);               // mono
    put32(out, sampleRate);
    put32(out, sampleRate * 2);  // bytes per second
    put16(out, 2);               // block align
    put16(out, 16);              // bits per sample
    putTag(out, "data");
    put32(out, dataBytes);
    for (int16_t s : samples)
        put16(out, static_cast<uint16_t>(s));

    std::FILE *file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    if (std::fclose(file) != 0 || !written) {
        std::perror(argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
