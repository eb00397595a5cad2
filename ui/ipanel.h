// ipanel: the panel that holds skinned controls, and IPanelGroup, the panel
// that shows one of its child panels at a time.
//
// An ipanel paints as the class library's panel does (its colour, the
// palette's Window, then its bevels and its caption centred) over its whole
// area in one go, without erasing first, so the skinned controls over it
// repaint without flicker. Bevels: BevelNone 0, BevelLowered 1, BevelRaised 2
// (the outer one raised, the inner one none after construction).
//
// IPanelGroup.ActivePage: a child ipanel of the group becomes the page shown:
// its caption is cleared, its bevels set to none, it fills the group (also
// when the group is resized later), comes to the front and is shown, and
// every other visible child ipanel is hidden. A panel of another parent
// changes nothing; null only records that no page is active.
//
// User-interface thread only.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

namespace kestrune {

inline constexpr int32_t BevelNone = 0;
inline constexpr int32_t BevelLowered = 1;
inline constexpr int32_t BevelRaised = 2;

class ipanel : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(int BevelInner READ BevelInner WRITE SetBevelInner)
  Q_PROPERTY(int BevelOuter READ BevelOuter WRITE SetBevelOuter)

 public:
  explicit ipanel(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& value);
  int32_t BevelInner() const { return bevelInner_; }
  void SetBevelInner(int32_t value);
  int32_t BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(int32_t value);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
  int32_t bevelInner_ = BevelNone;
  int32_t bevelOuter_ = BevelRaised;
};

class IPanelGroup : public ipanel {
  Q_OBJECT
  Q_PROPERTY(kestrune::ipanel* ActivePage READ ActivePage WRITE SetActivePage)

 public:
  explicit IPanelGroup(QWidget* parent = nullptr);

  ipanel* ActivePage() const { return activePage_; }
  void SetActivePage(ipanel* page);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QPointer<ipanel> activePage_;
};

}  // namespace kestrune
