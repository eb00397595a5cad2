// ILabel: a text label drawn the way the skinned controls draw text. The
// text (`text`) is drawn in the font's family (as SubstituteFontFamily finds
// it) at the font's point size taken as pixels, regular style, in the
// palette's WindowText colour, into the label's rectangle aligned by
// TextAlign (StringAlignmentNear after construction) and wrapped at its
// width; with `smooth` anti-aliased.
//
// With AutoSize the label fits its text: it becomes the rounded width and
// height of the text as that font measures it (one line per line break, no
// wrapping) plus one pixel each. Switching AutoSize on fits at once; writing
// the text fits again.
//
// Placement in the parent, as the class library's controls keep it:
// `align` (AlignNone 0, AlignTop 1, AlignBottom 2, AlignLeft 3, AlignRight 4,
// AlignClient 5) docks the label to a side of the parent or fills it;
// otherwise `anchors` (AnchorLeft 1, AnchorTop 2, AnchorRight 4,
// AnchorBottom 8; left and top after construction) keep the label's
// distances to the anchored sides (as they were when anchors was written or
// the parent last resized) when the parent is resized: anchored on both
// sides of an axis it stretches, on the far side only it moves.
//
// User-interface thread only.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "ui/tnt_graphic_control.h"

namespace kestrune {

inline constexpr int32_t AlignNone = 0;
inline constexpr int32_t AlignTop = 1;
inline constexpr int32_t AlignBottom = 2;
inline constexpr int32_t AlignLeft = 3;
inline constexpr int32_t AlignRight = 4;
inline constexpr int32_t AlignClient = 5;

inline constexpr int32_t AnchorLeft = 1;
inline constexpr int32_t AnchorTop = 2;
inline constexpr int32_t AnchorRight = 4;
inline constexpr int32_t AnchorBottom = 8;

class ILabel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(int anchors READ anchors WRITE Setanchors)
  Q_PROPERTY(int align READ align WRITE Setalign)
  Q_PROPERTY(int TextAlign READ TextAlign WRITE SetTextAlign)
  Q_PROPERTY(QString text READ text WRITE Settext)
  Q_PROPERTY(bool smooth READ smooth WRITE Setsmooth)

 public:
  explicit ILabel(QWidget* parent = nullptr);
  ~ILabel() override;

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  int32_t anchors() const { return anchors_; }
  // The distances to the anchored sides are those of this moment.
  void Setanchors(int32_t value);
  int32_t align() const { return align_; }
  void Setalign(int32_t value);
  int32_t TextAlign() const { return textAlign_; }
  void SetTextAlign(int32_t value);
  QString text() const { return text_; }
  void Settext(const QString& value);
  bool smooth() const { return smooth_; }
  void Setsmooth(bool value);

  // The label's size for its text (AutoSize's rule).
  void FitToText();

  TNotifyEvent OnClick;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QFont TextFont() const;
  // Docking or anchoring after the parent went from `before` to its size.
  void FollowParent(const QSize& before);

  bool autoSize_ = false;
  int32_t anchors_ = AnchorLeft | AnchorTop;
  int32_t align_ = AlignNone;
  int32_t textAlign_ = 0;  // StringAlignmentNear
  QString text_;
  bool smooth_ = false;
  bool clicking_ = false;
  QWidget* watchedParent_ = nullptr;
  QSize parentSize_;  // the parent's size the distances were taken at
};

}  // namespace kestrune
