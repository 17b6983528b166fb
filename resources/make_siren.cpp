// Writes the program's own siren: a two-tone sound, 22050 Hz, mono, 16-bit
// PCM, about 1.6 s, as a plain RIFF/WAVE file. Usage: make_siren OUTPUT.WAV
#include <cmath>
#include <cstdint>
#include <cstdio>
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

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.WAV\n", argv[0]);
        return 2;
    }

    const double pi = std::acos(-1.0);
    const int toneSamples = static_cast<int>(toneSeconds * sampleRate);
    const int fadeSamples = static_cast<int>(fadeSeconds * sampleRate);
    std::vector<int16_t> samples;
    samples.reserve(static_cast<size_t>(toneSamples) * tones);
    double phase = 0.0;
    for (int t = 0; t < tones; ++t) {
        const double step = 2.0 * pi * (t % 2 == 0 ? highHz : lowHz) / sampleRate;
        for (int i = 0; i < toneSamples; ++i) {
            double gain = 1.0;
            if (i < fadeSamples)
                gain = double(i) / fadeSamples;
            else if (toneSamples - i <= fadeSamples)
                gain = double(toneSamples - i - 1) / fadeSamples;
            samples.push_back(static_cast<int16_t>(std::lround(amplitude * gain * std::sin(phase))));
            phase = std::fmod(phase + step, 2.0 * pi);
        }
    }

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
