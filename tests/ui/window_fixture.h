// SPDX-License-Identifier: MIT
// A window under test: started in a temporary current directory, with errors captured instead
// of shown in a dialog, and any other service a test puts in place.
#pragma once

#include "tform1.h"
#include "window_services.h"

#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace dorvanel::testing {

// The five summary labels, top to bottom.
inline QStringList Labels(const TForm1& w) {
    return {w.lbNum->text(), w.lbRng->text(), w.lbVal->text(), w.lbValNo->text(),
            w.lbValPerc->text()};
}

// The colour a widget shows on the screen at a point of it, by default its centre, once the
// paints it awaits are done.
inline QColor OnScreen(QWidget* widget, std::optional<QPoint> point = std::nullopt) {
    QCoreApplication::processEvents();
    const QPoint at = widget->mapTo(widget->window(), point.value_or(widget->rect().center()));
    return widget->screen()
        ->grabWindow(widget->window()->winId(), at.x(), at.y(), 1, 1)
        .toImage()
        .pixelColor(0, 0);
}

// Save dialogs that answer, without showing, whatever `answer` holds when they are asked, with
// the first type they offer.
inline SaveFileChooser Answering(const QString& answer) {
    return [&answer](QWidget*, const SaveRequest&) { return SaveAnswer{answer, 0}; };
}

inline const QStringList k3d6Labels{"Total Possible Rolls: 216", "Min.: 3    Max.: 18",
                                    "Value: 10.5", "Value Possibilities: 27",
                                    "Probability of Value: 12.5%"};

class WindowFixture {
public:
    WindowFixture() : previousDir_(QDir::currentPath()) {
        QDir::setCurrent(dir_.path());
        services.reportError = [this](QWidget*, const QString& message) { errors << message; };
    }
    ~WindowFixture() {
        window.reset();
        QDir::setCurrent(previousDir_);
    }

    // Creates and shows the window with `services` and waits for its first analysis.
    TForm1& Start() {
        window = std::make_unique<TForm1>(services);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("the window was not shown");
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the window did not become active");
        WaitForAnalysis();
        return *window;
    }

    void WaitForAnalysis() const {
        QTRY_VERIFY_WITH_TIMEOUT(!window->IsAnalysisRunning(), 60000);
        QCoreApplication::processEvents();
    }

    QString DirPath() const { return dir_.path(); }

    WindowServices services;
    QStringList errors;
    std::unique_ptr<TForm1> window;

private:
    QTemporaryDir dir_;
    QString previousDir_;
};

} // namespace dorvanel::testing
