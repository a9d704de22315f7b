// SPDX-License-Identifier: MIT
// Dorvanel: how many of the ordered outcomes of N dice of D faces give each total.
#include "application_identity.h"
#include "termination_requests.h"
#include "tform1.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    dorvanel::SetApplicationIdentity();
    dorvanel::CloseWindowsOnTermination();
    dorvanel::TForm1 Form1;
    Form1.show();
    const int status = QApplication::exec();
    return status != 0 ? status : dorvanel::TerminationExitStatus();
}
