// ibitmap: the skinned image control. It shows a PNG picture with per-pixel
// transparency (FileName, see ui/control_image.h for where the file is found)
// and draws a caption over it.
//
// Unless Stretch is set, loading a picture sizes the control to it; a
// stretched control scales its picture to its own size (Stretch is set before
// FileName). A picture that cannot be read leaves the control 0 x 0.
//
// A control paints, over whatever lies beneath it: its underlay (Dbitmap),
// its own picture (when UseDraw is set), its overlay (Ubitmap) and its
// caption (full opacity when enabled, half when disabled), all in the size
// of its picture. A stretched control paints its scaled picture (UseDraw)
// and its overlay only. Nothing is painted when UseDraw is off and there is
// neither underlay nor overlay. The underlay and overlay are other ibitmap
// controls, not owned, drawn at their own place relative to this one with
// their own layers in turn; one that is destroyed draws nothing, and a
// drawing that meets a control a second time (an overlay of an overlay of
// itself) draws it once.
//
// Captions: the caption's family is the control's font family (as
// SubstituteFontFamily finds it), the font's point size taken as pixels, the
// style StringFontStyle (bold 1, italic 2, underline 4, strikeout 8), the
// font colour the palette's WindowText; laid out in the control's rectangle
// moved by OffsetTextX/Y, aligned by StringAlign and centred vertically,
// drawn with single-bit glyphs; with Glow the text is anti-aliased and has a
// one-pixel halo in GlowColor (the text drawn one pixel right, left, up and
// down first).
//
// ICreateRegion: a mouse move over a pixel of the picture that has the colour
// of its top-left pixel is swallowed (OnMouseMove does not run); moves outside
// the picture go on as usual.
//
// Off screen, the same layers are drawn by DrawTo (a control into another
// picture, as the main window puts its controls into the saved map),
// PaintToDC and PaintToGraphics (the pictures the splitter, the combo box and
// the progress bar paint into themselves), and ComposeControl (a control with
// the sibling ibitmap controls that overlap it, in their stacking order).
//
// User-interface thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QString>
#include <cstdint>

#include "ui/tnt_graphic_control.h"

class QPainter;

namespace kestrune {

// String alignment (StringAlign, ILabel's TextAlign).
inline constexpr int32_t StringAlignmentNear = 0;
inline constexpr int32_t StringAlignmentCenter = 1;
inline constexpr int32_t StringAlignmentFar = 2;

// Font style bits (StringFontStyle).
inline constexpr int32_t FontStyleBold = 1;
inline constexpr int32_t FontStyleItalic = 2;
inline constexpr int32_t FontStyleUnderline = 4;
inline constexpr int32_t FontStyleStrikeout = 8;

// The font the skinned controls draw text with: the family of `font` as
// SubstituteFontFamily finds it, the font's point size taken as pixels,
// regular style.
QFont SkinTextFont(const QFont& font);
// A string alignment as Qt's horizontal alignment.
Qt::Alignment StringAlignmentFlags(int32_t alignment);

// A rectangle as the drawing calls of the controls take it.
struct TSkinRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

class ibitmap : public TTntGraphicControl {
  Q_OBJECT
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(int OffsetTextX READ OffsetTextX WRITE SetOffsetTextX)
  Q_PROPERTY(int OffsetTextY READ OffsetTextY WRITE SetOffsetTextY)
  Q_PROPERTY(int StringFontStyle READ StringFontStyle WRITE SetStringFontStyle)
  Q_PROPERTY(int StringAlign READ StringAlign WRITE SetStringAlign)
  Q_PROPERTY(QColor GlowColor READ GlowColor WRITE SetGlowColor)
  Q_PROPERTY(bool Glow READ Glow WRITE SetGlow)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
  Q_PROPERTY(kestrune::ibitmap* Ubitmap READ Ubitmap WRITE SetUbitmap)
  Q_PROPERTY(kestrune::ibitmap* Dbitmap READ Dbitmap WRITE SetDbitmap)
  Q_PROPERTY(bool UseDraw READ UseDraw WRITE SetUseDraw)
  Q_PROPERTY(bool ICreateRegion READ ICreateRegion WRITE SetICreateRegion)
  Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)

 public:
  explicit ibitmap(QWidget* parent = nullptr);
  ~ibitmap() override;

  // Kept for the forms; a control sizes itself by its picture, not by this.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value) { autoSize_ = value; }
  int32_t OffsetTextX() const { return offsetTextX_; }
  void SetOffsetTextX(int32_t value);
  int32_t OffsetTextY() const { return offsetTextY_; }
  void SetOffsetTextY(int32_t value);
  int32_t StringFontStyle() const { return stringFontStyle_; }
  void SetStringFontStyle(int32_t value);
  int32_t StringAlign() const { return stringAlign_; }
  void SetStringAlign(int32_t value);
  QColor GlowColor() const { return glowColor_; }
  void SetGlowColor(const QColor& value);
  bool Glow() const { return glow_; }
  void SetGlow(bool value);
  QString Caption() const { return caption_; }
  void SetCaption(const QString& value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  ibitmap* Ubitmap() const { return ubitmap_; }
  void SetUbitmap(ibitmap* value);
  ibitmap* Dbitmap() const { return dbitmap_; }
  void SetDbitmap(ibitmap* value);
  bool UseDraw() const { return useDraw_; }
  void SetUseDraw(bool value);
  bool ICreateRegion() const { return iCreateRegion_; }
  void SetICreateRegion(bool value);
  QString FileName() const { return fileName_; }
  // An empty value changes nothing.
  void SetFileName(const QString& value);

  // The picture shown (empty when none could be read).
  const QImage& Picture() const { return picture_; }
  bool HasPicture() const { return !picture_.isNull(); }
  // The colour of the picture's top-left pixel, taken when ICreateRegion is
  // set and a picture is loaded.
  QRgb KeyColor() const { return keyColor_; }

  // ---- drawing off screen ----
  // Into another picture at (x, y): nothing when not Visible or without a
  // picture; a stretched control scaled to its size (the picture less its
  // last column), else its picture with the overlay and the caption.
  void DrawTo(QPainter& target, int32_t x, int32_t y) const;
  // The picture into a foreign surface: with an exclusion rectangle the
  // drawing leaves out (Left, Top + 1) of size (Right - 2) x (Bottom - 3);
  // bounds' Right and Bottom are a width and a height. A stretched control
  // fills (0, 0, Right, Bottom) (the picture less its last column); else,
  // with UseDraw, the picture goes to bounds' Left and Top (without an
  // exclusion: the control's own place) at bounds' size, and then the
  // overlay's picture at the same place and size. Nothing when not Visible.
  void PaintToDC(QPainter& target, const TSkinRect& bounds, const TSkinRect* exclusion) const;
  // The underlay's picture, then this control's, at (x, y): nothing when not
  // Visible or without a picture; a stretched control as in DrawTo.
  void PaintToGraphics(QPainter& target, int32_t x, int32_t y) const;
  // The caption as described above, with the painter's origin at the
  // control's top-left; opacity 1.0 when enabled, 0.5 when disabled.
  void DrawCaption(QPainter& target, const QString& text, qreal opacity) const;

 protected:
  // The picture without loading a file and without resizing (an
  // animation's frame).
  void SetPicture(const QImage& picture);
  void paintEvent(QPaintEvent* event) override;
  void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int32_t x, int32_t y) override;

 private:
  bool autoSize_ = false;
  int32_t offsetTextX_ = 0;
  int32_t offsetTextY_ = 0;
  int32_t stringFontStyle_ = FontStyleBold;
  int32_t stringAlign_ = StringAlignmentCenter;
  QColor glowColor_ = Qt::black;
  bool glow_ = false;
  QString caption_;
  bool stretch_ = false;
  QPointer<ibitmap> ubitmap_;
  QPointer<ibitmap> dbitmap_;
  bool useDraw_ = true;
  bool iCreateRegion_ = false;
  QString fileName_;
  QImage picture_;
  QRgb keyColor_ = 0;
};

// The layers of one control drawn with its top-left at `at`: underlay,
// picture (UseDraw), overlay, caption; stretched: scaled picture (UseDraw) and
// overlay. A control without a picture draws nothing.
void DrawControlLayers(QPainter& painter, const ibitmap& control, QPoint at);

// The control as it shows among its siblings, off screen: a transparent
// picture of its picture's size (its own size when stretched) with the
// sibling ibitmap controls of its parent that are Visible and overlap it
// drawn before (those below it) and after it (those above), each with its
// own layers. The control's place among them is its own, found by identity.
QImage ComposeControl(const ibitmap& control);

}  // namespace kestrune
