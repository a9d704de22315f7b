// SPDX-License-Identifier: MIT
// A request to stop the process (SIGTERM from kill, timeout or the session, SIGINT from Ctrl+C
// in a terminal) ends it, as the user closing every window would but with no one there to
// answer: open dialogs are dismissed, the window saves what it can, and what fails goes to
// stderr and into the exit status instead of a dialog.
#pragma once

#include <QString>

namespace dorvanel {

// Call once the application object exists; later calls do nothing.
void CloseWindowsOnTermination();

// True from the first request on: nothing may wait for a person any more.
bool TerminationRequested();

// A failure while terminating: written to stderr, and the exit status says so.
void ReportTerminationFailure(const QString& message);

// 1 once a failure has been reported while terminating, else 0.
int TerminationExitStatus();

} // namespace dorvanel
