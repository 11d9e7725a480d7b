// Writes the short notification sounds the program ships with: a few sine tones each,
// 16-bit mono PCM, so no audio file has to be kept in the repository.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Tone
{
    double hz;
    double seconds;
};

void put16(std::FILE *f, uint16_t v)
{
    std::fputc(v & 0xff, f);
    std::fputc(v >> 8, f);
}

void put32(std::FILE *f, uint32_t v)
{
    put16(f, v & 0xffff);
    put16(f, v >> 16);
}

bool writeWave(const std::string &path, const std::vector<Tone> &tones)
{
    const int rate = 22050;
    std::vector<int16_t> samples;
    for (const Tone &t : tones) {
        const int n = int(t.seconds * rate);
        for (int i = 0; i < n; ++i) {
            // A short fade at both ends avoids clicks.
            const double edge = std::min(1.0, std::min(i, n - i) / (0.005 * rate));
            const double v = t.hz > 0 ? std::sin(2 * M_PI * t.hz * i / rate) : 0.0;
            samples.push_back(int16_t(v * edge * 0.35 * 32767));
        }
    }
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1); // PCM
    put16(f, 1); // mono
    put32(f, rate);
    put32(f, rate * 2);
    put16(f, 2);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, dataBytes);
    for (int16_t s : samples)
        put16(f, uint16_t(s));
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: genwav OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool ok = writeWave(dir + "newmaku.wav", {{880, 0.07}, {1320, 0.09}});
    ok = writeWave(dir + "newinfo.wav",
                   {{660, 0.1}, {0, 0.03}, {990, 0.1}, {0, 0.03}, {1320, 0.14}}) &&
         ok;
    ok = writeWave(dir + "question.wav", {{523, 0.12}, {659, 0.12}, {784, 0.2}}) && ok;
    ok = writeWave(dir + "ok.wav", {{784, 0.1}, {1047, 0.25}}) && ok;
    ok = writeWave(dir + "ng.wav", {{220, 0.18}, {0, 0.04}, {196, 0.25}}) && ok;
    return ok ? 0 : 1;
}
