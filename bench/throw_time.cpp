// 2147483647 throws on one thread through one path, timed: built for the
// page and natively, so that bench/web_throws.sh runs them side by side.
//   throw_time [auto|sse2|scalar]
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>

#include "runtime/random.h"
#include "runtime/throw_dice.h"

using namespace pantalla::detail;

int main(int argc, char** argv) {
    ThrowPath path = ThrowPath::automatic;
    if (argc > 1 && std::strcmp(argv[1], "sse2") == 0) path = ThrowPath::sse2;
    if (argc > 1 && std::strcmp(argv[1], "scalar") == 0) path = ThrowPath::scalar;
    if (!throw_path_available(path)) {
        std::printf("path %s not available\n", argv[1]);
        return 1;
    }
    random_seed(12345.0);
    int32_t counts[8] = {};
    double sum = 0;
    const auto start = std::chrono::steady_clock::now();
    throw_dice_using(path, 1, INT_MAX, counts, &sum);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%.0f ms, counts %d %d %d %d %d %d\n", took.count(), counts[1], counts[2], counts[3], counts[4],
                counts[5], counts[6]);
    return 0;
}
