#include "ui/first_frame.h"

#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "platform/gui/window_background.h"

namespace kestrune {

namespace {

// Gives each native window of its form, as it is made, the form's background.
class TNativeBackground : public QObject {
 public:
  explicit TNativeBackground(QWidget& form) : QObject(&form), form_(form) {
    form.installEventFilter(this);
    Apply();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &form_ && event->type() == QEvent::WinIdChange) Apply();
    return false;
  }

 private:
  void Apply() {
    if (!form_.internalWinId()) return;  // no native window yet
    if (QWindow* window = form_.windowHandle()) {
      platform::SetWindowBackground(*window, form_.palette().color(form_.backgroundRole()));
    }
  }

  QWidget& form_;
};

}  // namespace

void GiveNativeBackground(QWidget& form) { new TNativeBackground(form); }

bool PaintWhenMapped(QWidget& form, int timeoutMs) {
  QWindow* window = form.windowHandle();
  if (!window || !form.isVisible()) return false;
  if (!window->isExposed()) {
    QEventLoop loop;
    QTimer look;
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
      if (window->isExposed() || deadline.hasExpired()) loop.quit();
    });
    look.start(5);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  if (!window->isExposed()) return false;
  form.repaint();
  return true;
}

}  // namespace kestrune
