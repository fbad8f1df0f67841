// The driver search with fake drivers in place of the platform's: which
// inits are tried in which order, with which refresh rate and flags, and
// which driver the screen ends up with.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/console_hooks.h"
#include "tests/gfx_fixture.h"

using namespace pantalla::detail;

namespace {

std::string calls;      // "Alpha 75 1, Alpha exit, ..." in call order
std::string accepted;   // the one init call that succeeds, as logged

const char* const fake_names[] = {"Alpha", "Beta"};

void log_call(const std::string& call) { calls += (calls.empty() ? "" : ", ") + call; }

template <int N>
int32_t fake_init(const char*, int32_t, int32_t, int32_t, int32_t refresh, int32_t flags) {
    const std::string call = std::string(fake_names[N]) + " " + std::to_string(refresh) + " " + std::to_string(flags);
    log_call(call);
    return call == accepted ? 0 : -1;
}

template <int N>
void fake_exit() {
    log_call(std::string(fake_names[N]) + " exit");
}

const DisplayDriver alpha = {
    .name = fake_names[0], .init = fake_init<0>, .exit = fake_exit<0>, .lock = nullptr, .unlock = nullptr,
    .set_palette = nullptr, .wait_vsync = nullptr, .get_mouse = nullptr, .set_mouse = nullptr,
    .set_window_title = nullptr, .fetch_modes = nullptr, .poll_events = nullptr, .wait_input = nullptr,
};
const DisplayDriver beta = {
    .name = fake_names[1], .init = fake_init<1>, .exit = fake_exit<1>, .lock = nullptr, .unlock = nullptr,
    .set_palette = nullptr, .wait_vsync = nullptr, .get_mouse = nullptr, .set_mouse = nullptr,
    .set_window_title = nullptr, .fetch_modes = nullptr, .poll_events = nullptr, .wait_input = nullptr,
};
const DisplayDriver* const fake_list[] = {&alpha, &beta, nullptr};
const DisplayDriver* const empty_list[] = {nullptr};

// DNGFX for one test; the buffer outlives the environment's use of it.
// An empty value counts as not set.
void set_dngfx(const char* value) {
    static char variable[64];
    std::snprintf(variable, sizeof variable, "DNGFX=%s", value ? value : "");
    putenv(variable);
}

class DriverSearchTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        display_driver_list_substitute(fake_list);
        set_dngfx(nullptr);
        calls.clear();
    }
    void TearDown() override {
        GfxTest::TearDown();
        display_driver_list_substitute(nullptr);
        set_dngfx(nullptr);
    }
};

// A refusal costs two inits, each followed by exit; every tried name of a
// pass is tried with the requested refresh rate and then with 0.
const std::string alpha_refuses = "Alpha 75 1, Alpha exit, Alpha 0 1, Alpha exit";
const std::string beta_refuses = "Beta 75 1, Beta exit, Beta 0 1, Beta exit";
const std::string alpha_refuses_windowed = "Alpha 75 0, Alpha exit, Alpha 0 0, Alpha exit";
const std::string beta_refuses_windowed = "Beta 75 0, Beta exit, Beta 0 0, Beta exit";

TEST_F(DriverSearchTest, OrderRetriesAndPasses) {
    struct Row {
        const char* what;
        const char* dngfx;  // null: not set
        int32_t flags;
        const char* accepts;
        std::string expected_calls;
        const DisplayDriver* chosen;  // null: no screen
    };
    const Row rows[] = {
        {"first on the list takes it", nullptr, 1, "Alpha 75 1", "Alpha 75 1", &alpha},
        {"refresh 0 after a refusal, exit between", nullptr, 1, "Alpha 0 1", "Alpha 75 1, Alpha exit, Alpha 0 1",
         &alpha},
        {"next driver after both tries", nullptr, 1, "Beta 75 1", alpha_refuses + ", Beta 75 1", &beta},
        {"second pass with full screen off", nullptr, 1, "Alpha 0 0",
         alpha_refuses + ", " + beta_refuses + ", Alpha 75 0, Alpha exit, Alpha 0 0", &alpha},
        {"second pass turns full screen on", nullptr, 0, "Beta 75 1",
         alpha_refuses_windowed + ", " + beta_refuses_windowed + ", " + alpha_refuses + ", Beta 75 1", &beta},
        {"only the full-screen bit is inverted", nullptr, 5, "Alpha 75 4",
         "Alpha 75 5, Alpha exit, Alpha 0 5, Alpha exit, Beta 75 5, Beta exit, Beta 0 5, Beta exit, Alpha 75 4",
         &alpha},
        {"nothing opens: two passes", nullptr, 1, "",
         alpha_refuses + ", " + beta_refuses + ", " + alpha_refuses_windowed + ", " + beta_refuses_windowed, nullptr},
        {"the named driver first, in any case", "bEtA", 1, "Beta 75 1", "Beta 75 1", &beta},
        {"named driver, then all, then named, then inverted", "BETA", 1, "",
         beta_refuses + ", " + alpha_refuses + ", " + beta_refuses + ", " + beta_refuses + ", " +
             alpha_refuses_windowed + ", " + beta_refuses_windowed,
         nullptr},
        {"named driver refuses, the open pass finds another", "beta", 1, "Alpha 0 1",
         beta_refuses + ", Alpha 75 1, Alpha exit, Alpha 0 1", &alpha},
        {"unknown name: the open passes only", "Gamma", 1, "Beta 0 0",
         alpha_refuses + ", " + beta_refuses + ", " + alpha_refuses_windowed + ", Beta 75 0, Beta exit, Beta 0 0",
         &beta},
        {"null names the Null driver", "null", 1, "Alpha 75 1", "", &null_driver},
        {"null in mixed case", "NuLL", 1, "Alpha 75 1", "", &null_driver},
    };
    for (const Row& r : rows) {
        set_dngfx(r.dngfx);
        accepted = r.accepts;
        calls.clear();
        set_last_error(0);
        screen_open(13, 8, 1, r.flags, 75);
        SCOPED_TRACE(r.what);
        EXPECT_EQ(calls, r.expected_calls);
        if (r.chosen) {
            ASSERT_NE(screen, nullptr);
            EXPECT_EQ(screen->driver, r.chosen);
            EXPECT_EQ(last_error(), 0);
        } else {
            EXPECT_EQ(screen, nullptr);
            EXPECT_EQ(last_error(), 1);
        }
        screen_open(0, 0, 0, 0, 0);
    }
}

TEST_F(DriverSearchTest, FlagsMinusOneTakesTheNullDriverWithoutAnyInit) {
    accepted = "Alpha 75 -1";
    screen_open(13, 8, 1, kOpenNullDriver, 75);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->driver, &null_driver);
    EXPECT_EQ(calls, "");
}

TEST_F(DriverSearchTest, TheChosenDriverIsStoppedWhenTheScreenCloses) {
    accepted = "Beta 75 1";
    screen_open(13, 8, 1, 1, 75);
    ASSERT_NE(screen, nullptr);
    calls.clear();
    screen_open(0, 0, 0, 0, 0);
    EXPECT_EQ(calls, "Beta exit");
}

TEST_F(GfxTest, NoDriverMeansNoScreen) {
    display_driver_list_substitute(empty_list);
    set_dngfx(nullptr);
    open(13);  // an open screen is torn down by the failed search
    screen_open(19, 16, 4, 1, 0);
    display_driver_list_substitute(nullptr);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(last_error(), 1);
    const void* const* slots = reinterpret_cast<const void* const*>(&console_hooks);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(slots[i], nullptr) << "slot " << i;
}

}  // namespace
