// SPDX-License-Identifier: MIT
// The display settings: the options file, and the commands that load, apply, revert, restore
// and save them.
#include "tform1.h"

#include "atomic_write.h"
#include "errors.h"
#include "options_file.h"
#include "pool_notation.h"
#include "radio_group.h"
#include "settings_error.h"
#include "settings_lines.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>

namespace dorvanel {

void TForm1::TakeSettingsDir() {
    try {
        settingsDir_ = CurrentSettingsDir();
    } catch (const SettingsFileError& error) {
        noSettingsDir_ = error.what();
        startupErrors_ << QString::fromStdString(noSettingsDir_);
    }
}

QString TForm1::SettingsDir() const {
    return settingsDir_ ? QFile::decodeName(QByteArray::fromStdString(*settingsDir_)) : QString();
}

std::string TForm1::OptionsFile() const {
    if (!settingsDir_)
        throw SettingsFileError(noSettingsDir_);
    return OptionsFilePath(*settingsDir_);
}

DisplaySettings TForm1::CurrentSettings() const {
    return {cbRange1->isChecked(),  cbWholeY->isChecked(),
            dlgColor.Color(),       dlgFill.Color(),
            dlgBG.Color(),          radGraf->ItemIndex(),
            Showaxes1->isChecked(), Likelytotalsonly1->isChecked(),
            explodeDepth_};
}

void TForm1::ShowSettings(const DisplaySettings& settings) {
    cbRange1->setChecked(settings.showX);
    cbWholeY->setChecked(settings.showY);
    radGraf->SetItemIndex(settings.graphStyle);
    Showaxes1->setChecked(settings.showAxes);
    Likelytotalsonly1->setChecked(settings.likelyOnly);
    explodeDepth_ = settings.explodeDepth;
    dlgColor.SetColor(settings.penColor);
    dlgFill.SetColor(settings.fillColor);
    dlgBG.SetColor(settings.backgroundColor);
}

void TForm1::ApplySettings() {
    const ApplyResult result = ApplySettingsLines(mbOptions, CurrentSettings());
    if (!result.applied)
        return;
    // Shown even when a line failed, so that a swatch never shows another colour than the one
    // the graph is drawn in.
    ShowSettings(result.settings);
    // Every snapshot that can fail came from the file: the defaults and what was saved are
    // well formed.
    if (result.error)
        throw ConvertError(std::string(kOptionsFileName) + ", line " +
                           std::to_string(result.errorLine) + ": " + *result.error);
}

void TForm1::LoadSettings() {
    if (!settingsDir_)
        return;
    RemoveStaleTemporaries(OptionsFile());
    try {
        if (std::optional<std::vector<std::string>> lines = ReadOptionsFile(OptionsFile()))
            mbOptions = std::move(*lines);
    } catch (const NotSettingsFileError&) {
        optionsFileRefused_ = true;
        throw;
    }
    ApplySettings();
}

void TForm1::Reverttoinitialsettings1Click() {
    RunReportingErrors([this] { ApplySettings(); });
    DrawGraph();
}

void TForm1::Restoredefaultsettings1Click() {
    mbOptions = mbDefault;
    RunReportingErrors([this] { ApplySettings(); });
    DrawGraph();
}

void TForm1::Explosiondepth1Click() {
    const std::optional<int> depth = services_.askNumber(
        this,
        QStringLiteral("Extra rolls an exploding die makes at most (0 to %1), from the next "
                       "analysis on:")
            .arg(kMaxExplodeDepth),
        explodeDepth_, 0, kMaxExplodeDepth);
    if (depth)
        explodeDepth_ = *depth;
}

void TForm1::Savesettings1Click() {
    mbOptions = FormatSettingsLines(CurrentSettings());
    RunReportingErrors([this] {
        WriteOptionsFile(OptionsFile(), mbOptions);
        optionsFileRefused_ = false;
    });
}

void TForm1::SaveSettingsOnClose() {
    // Without a settings folder there is no file; start-up has said so.
    if (!settingsDir_)
        return;
    // The file refused at start-up may be something the user keeps under that name.
    if (!optionsFileRefused_) {
        Savesettings1Click();
        return;
    }
    ReportError(QStringLiteral("The settings were not saved: \"%1\" is not a settings file, "
                               "so it is left as it is. \"Save settings\" in the Options "
                               "menu replaces it.")
                    .arg(QFile::decodeName(QByteArray::fromStdString(OptionsFile()))));
}

} // namespace dorvanel
