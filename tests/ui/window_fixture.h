// A window under test: started in a temporary current directory, with errors captured instead
// of shown in a dialog.
#pragma once

#include "error_reporter.h"
#include "tform1.h"

#include <QDir>
#include <QLabel>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace dorvanel::testing {

// The five summary labels, top to bottom.
inline QStringList Labels(const TForm1& w) {
    return {w.lbNum->text(), w.lbRng->text(), w.lbVal->text(), w.lbValNo->text(),
            w.lbValPerc->text()};
}

inline const QStringList k3d6Labels{"Total Possible Rolls: 216", "Min.: 3    Max.: 18",
                                    "Value: 10.5", "Value Possibilities: 27",
                                    "Probability of Value: 12.5%"};

class WindowFixture {
public:
    WindowFixture() : previousDir_(QDir::currentPath()) {
        QDir::setCurrent(dir_.path());
        previousHandler_ =
            SetErrorHandler([this](QWidget*, const QString& message) { errors << message; });
    }
    ~WindowFixture() {
        window.reset();
        SetErrorHandler(previousHandler_);
        QDir::setCurrent(previousDir_);
    }

    // Creates and shows the window and waits for its first analysis.
    TForm1& Start() {
        window = std::make_unique<TForm1>();
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

    QStringList errors;
    std::unique_ptr<TForm1> window;

private:
    QTemporaryDir dir_;
    QString previousDir_;
    ErrorHandler previousHandler_;
};

} // namespace dorvanel::testing
