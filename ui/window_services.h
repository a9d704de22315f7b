// SPDX-License-Identifier: MIT
// What the window takes from outside it, each replaceable: the computation an analysis runs,
// where errors are shown, and the dialogs that choose a colour and a file to save, that ask
// a question, that ask for a number and that tell about the program. The window gets them when it
// is made; tests give their own, so that nothing blocks on a dialog and runs can be scripted.
#pragma once

#include "about_dialog.h"
#include "analysis_runner.h"
#include "color_dialog.h"
#include "distribution.h"
#include "error_dialog.h"
#include "error_reporter.h"
#include "file_chooser.h"
#include "number_question.h"
#include "question.h"

namespace dorvanel {

struct WindowServices {
    Computation compute = ComputeDistribution;
    ErrorHandler reportError = ShowErrorDialog;
    ColorChooser chooseColor = ChooseColorInDialog;
    SaveFileChooser chooseFileToSave = ChooseFileToSaveInDialog;
    Question ask = AskInDialog;
    NumberQuestion askNumber = AskNumberInDialog;
    AboutShower showAbout = ShowAboutDialog;
};

} // namespace dorvanel
