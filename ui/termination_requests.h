// SPDX-License-Identifier: MIT
// A request to stop the process (SIGTERM from kill, timeout or the session, SIGINT from Ctrl+C
// in a terminal) closes every window, as the user closing them would, so that the window
// still saves its settings instead of the process ending on the spot.
#pragma once

namespace dorvanel {

// Call once the application object exists; later calls do nothing.
void CloseWindowsOnTermination();

} // namespace dorvanel
