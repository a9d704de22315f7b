// SPDX-License-Identifier: MIT
#include "question.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace dorvanel {
namespace {

Question& CurrentQuestion() {
    static Question question = [](QWidget* parent, const QString& text) {
        QMessageBox dialog(QMessageBox::Question, QCoreApplication::applicationName(), text,
                           QMessageBox::Yes | QMessageBox::No, parent);
        dialog.setWindowModality(Qt::WindowModal);
        // Nothing is lost by a hasty Enter.
        dialog.setDefaultButton(QMessageBox::No);
        return dialog.exec() == QMessageBox::Yes;
    };
    return question;
}

} // namespace

Question SetQuestion(Question question) {
    Question previous = std::move(CurrentQuestion());
    CurrentQuestion() = std::move(question);
    return previous;
}

bool Ask(QWidget* parent, const QString& question) {
    return CurrentQuestion()(parent, question);
}

} // namespace dorvanel
