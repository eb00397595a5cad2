// Helpers of the dialogs' offscreen tests.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

namespace kestrune::test {

// Runs `act` once, as soon as the form is shown (also inside its modal loop).
inline void WhenShown(QWidget& form, std::function<void()> act) {
  auto* timer = new QTimer(&form);
  QObject::connect(timer, &QTimer::timeout, [timer, &form, act] {
    if (!form.isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act();
  });
  timer->start(5);
}

}  // namespace kestrune::test
