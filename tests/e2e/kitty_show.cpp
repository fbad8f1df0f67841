// Pictures shown through the kitty encoder as a driver shows the page: in
// bands of cell rows, each an image of its own id, the first one offset
// into its cell.
//   kitty_show DIR CELL_HEIGHT
// writes the pictures expected on the screen to DIR (a.ppm: picture A;
// ab.ppm: A with its lower band from picture B; top.ppm: A's upper band),
// then for each line read from the pipe DIR/go takes a step and answers
// on DIR/done: "a" shows A, "b" replaces the lower band with B's, "d"
// deletes both images.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "gfx/display/kitty_encoder.h"

using namespace pantalla::detail;

namespace {

constexpr int32_t kWidth = 120;

// 8 x 8 blocks of random colours: any change of a pixel's colour shows.
std::vector<uint32_t> picture(int32_t height, uint32_t seed) {
    std::vector<uint32_t> p(static_cast<size_t>(kWidth) * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            uint32_t v = seed + static_cast<uint32_t>(y / 8 * 97 + x / 8) * 2654435761u;
            v ^= v >> 13;
            p[static_cast<size_t>(y) * kWidth + x] = (v * 0x9E3779B1u) >> 8;
        }
    return p;
}

void write_ppm(const std::string& path, const std::vector<uint32_t>& p, int32_t top, int32_t height) {
    std::ofstream f(path, std::ios::binary);
    f << "P6\n" << kWidth << ' ' << height << "\n255\n";
    for (int32_t i = top * kWidth; i < (top + height) * kWidth; ++i) {
        const char rgb[3] = {char(p[i] >> 16), char(p[i] >> 8), char(p[i])};
        f.write(rgb, 3);
    }
}

void send(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string dir = argv[1];
    const int32_t cell = std::atoi(argv[2]);
    if (cell < 4) return 2;
    // Three pixels down into row 2: the lower band starts at row 4.
    const int32_t offset = 3, cut = 2 * cell - offset, height = cut + cell + 5;
    const std::vector<uint32_t> a = picture(height, 1), b = picture(height, 2);
    std::vector<uint32_t> ab = a;
    std::copy(b.begin() + cut * kWidth, b.end(), ab.begin() + cut * kWidth);
    write_ppm(dir + "/a.ppm", a, 0, height);
    write_ppm(dir + "/ab.ppm", ab, 0, height);
    write_ppm(dir + "/top.ppm", a, 0, cut);

    KittyEncoder encoder;
    auto band = [&](const std::vector<uint32_t>& p, bool upper) {
        const SixelPage page{reinterpret_cast<const uint8_t*>(p.data()), kWidth * 4, kWidth, height, 32, nullptr};
        std::string out;
        if (upper)
            encoder.encode(page, {0, 0, kWidth, cut}, 1, {1, 2, 3, 2, offset}, out);
        else
            encoder.encode(page, {0, cut, kWidth, height - cut}, 1, {2, 4, 3, 2, 0}, out);
        send(out);
    };
    std::ifstream go(dir + "/go");
    for (std::string step; std::getline(go, step);) {
        if (step == "a") band(a, true), band(a, false);
        if (step == "b") band(b, false);
        if (step == "d") {
            std::string out;
            kitty_delete(1, out);
            kitty_delete(2, out);
            send(out);
        }
        std::ofstream(dir + "/done") << step << '\n';
    }
    return 0;
}
