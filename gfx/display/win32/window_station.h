// Whether windows opened by this process can be seen: a session without a
// visible window station (an SSH session, a service) would open them
// invisibly and wait on them forever, so the window drivers refuse there.
#pragma once

namespace pantalla::detail {

// The process's window station has WSF_VISIBLE, unless a test said
// otherwise.
bool window_station_visible();

// For tests: 1 visible, 0 invisible, -1 ask the system again.
void window_station_assume(int visible);

}  // namespace pantalla::detail
