// The browser control's tests ask the page: a script's value, waited for.
#pragma once

#include <QEventLoop>
#include <QTimer>
#include <QVariant>

#include "app/window/embedded_browser.h"

namespace kestrune::test {

// The page's answer to a script; invalid after 5 s.
inline QVariant Eval(TEmbeddedBrowser& browser, const QString& script) {
  QVariant result;
  QEventLoop loop;
  browser.page()->runJavaScript(script, [&](const QVariant& value) {
    result = value;
    loop.quit();
  });
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  loop.exec();
  return result;
}

}  // namespace kestrune::test
