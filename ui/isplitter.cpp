#include "ui/isplitter.h"

#include <QPainter>
#include <QSplitterHandle>

namespace kestrune {

namespace {

class TTextureHandle : public QSplitterHandle {
 public:
  TTextureHandle(Qt::Orientation orientation, ISplitter* parent) : QSplitterHandle(orientation, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override {
    const auto* owner = static_cast<const ISplitter*>(splitter());
    const ibitmap* texture = owner->Texture();
    if (texture == nullptr || !texture->HasPicture()) {
      QSplitterHandle::paintEvent(event);
      return;
    }
    QPainter painter(this);
    texture->PaintToDC(painter, TSkinRect{0, 0, width(), height()}, nullptr);
  }
};

}  // namespace

ISplitter::ISplitter(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent) {}

ISplitter::~ISplitter() = default;

void ISplitter::Setfilename(const QString& value) {
  if (!holder_) holder_ = std::make_unique<ibitmap>();
  filename_ = value;
  holder_->SetFileName(value);
  holder_->SetStretch(true);
  for (int i = 0; i < count(); ++i) {
    QSplitterHandle* bar = handle(i);
    // The texture covers the whole bar: nothing beneath needs painting.
    bar->setAttribute(Qt::WA_OpaquePaintEvent, holder_->HasPicture());
    bar->update();
  }
}

QSplitterHandle* ISplitter::createHandle() {
  auto* bar = new TTextureHandle(orientation(), this);
  bar->setAttribute(Qt::WA_OpaquePaintEvent, holder_ && holder_->HasPicture());
  return bar;
}

}  // namespace kestrune
