// SPDX-License-Identifier: MIT
#include "screen_fit.h"

#include <algorithm>

namespace dorvanel {
namespace {

// The start of a span of `length` moved into the span from `low` of `room`, or `low` when it
// does not fit.
int Fit(int start, int length, int low, int room) {
    return std::max(low, std::min(start, low + room - length));
}

} // namespace

QRect FitOnScreen(const QRect& frame, const QRect& available, const QSize& minimum) {
    const QSize size = frame.size().boundedTo(available.size()).expandedTo(minimum);
    return {Fit(frame.x(), size.width(), available.x(), available.width()),
            Fit(frame.y(), size.height(), available.y(), available.height()), size.width(),
            size.height()};
}

} // namespace dorvanel

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace dorvanel {
namespace {

void FitWindow(QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QSize decoration = frame.size() - window->size();
    const QRect fitted = FitOnScreen(frame, window->screen()->availableGeometry(),
                                     window->minimumSize() + decoration);
    if (fitted.size() != frame.size())
        window->resize(fitted.size() - decoration);
    if (fitted.topLeft() != frame.topLeft())
        window->move(fitted.topLeft());
}

class ScreenKeeper : public QObject {
public:
    explicit ScreenKeeper(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show) {
            FitWindow(window_);
            window_->removeEventFilter(this);
            window_->windowHandle()->installEventFilter(this);
        } else if (watched == window_->windowHandle() && event->type() == QEvent::Expose &&
                   window_->windowHandle()->isExposed()) {
            FitWindow(window_);
            window_->windowHandle()->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
};

} // namespace

void KeepOnScreen(QWidget* window) {
    new ScreenKeeper(window);
}

} // namespace dorvanel
