#include "file_chooser.h"

#include <QFileDialog>

namespace dorvanel {
namespace {

SaveFileChooser& Chooser() {
    static SaveFileChooser chooser = [](QWidget* parent, const QString& caption,
                                        const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
    };
    return chooser;
}

} // namespace

SaveFileChooser SetSaveFileChooser(SaveFileChooser chooser) {
    SaveFileChooser previous = std::move(Chooser());
    Chooser() = std::move(chooser);
    return previous;
}

QString ChooseFileToSave(QWidget* parent, const QString& caption, const QString& filter) {
    return Chooser()(parent, caption, filter);
}

} // namespace dorvanel
