#include <cmath>

#include "runtime/platform.h"
#include "runtime/random.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {
int32_t method = 0;
long double counter_period = 0;
}

int32_t timer_method() { return method; }

}  // namespace pantalla::detail

double timer_seconds() {
    if (method == 0) {
        int64_t frequency = 0;
        if (platform_counter_frequency(&frequency) && frequency > 0) {
            method = 2;
            counter_period = 1.0L / static_cast<long double>(frequency);
        } else {
            method = 1;
        }
    }
    if (method == 2) return static_cast<double>(static_cast<long double>(platform_counter()) * counter_period);
    return static_cast<double>(static_cast<long double>(platform_tick_count()) * 0.001L);
}

void random_seed(double x) {
    if (x == -1.0 || std::isnan(x)) x = timer_seconds();
    int32_t seed = INT32_MIN;
    if (x > -2147483649.0 && x < 2147483648.0) seed = static_cast<int32_t>(x);
    int_srand(static_cast<uint32_t>(seed));
    int_rand();
}

