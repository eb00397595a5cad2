// TForm1: the splash form ("Form1"), shown while the program starts and
// loads its dictionaries: the picture Image1 over the whole form (240 x 360),
// the label TntLabel1 ("Loading..."), the hidden label Label2 (the dictionary
// being loaded) and the progress bar IProgressBar1 (fill "prog3.png") over its
// background ibitmap27 ("prog2.png"), drawn 2 pixels left of the bar (ex -2,
// ey 0). Frameless, on top, centred on the screen.
//
// DictCount (dictionaries to load) and DictDone (dictionaries loaded) come
// from the dictionary loading through DictionaryProgress, which the program
// block binds to the session's Hooks.OnDictionaryProgress. ProgressChange puts the
// bar at Trunc(progress / DictCount + DictDone / DictCount * 100), computed in
// floating point and truncated toward zero, held within the bar's range (the
// final report, 100 with both counts 1, gives 200: a full bar); nothing while
// DictCount is 0 or less. The loading runs on the user-interface thread before
// the message loop, so the form repaints at once.
//
// The program block makes it before the other forms and frees it once the
// interface language is applied. User-interface thread only.
#pragma once

#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <string_view>

#include "ui/ibitmap.h"
#include "ui/iprogress_bar.h"

namespace kestrune {

class TForm1 : public QWidget {
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  int32_t DictCount = 0;
  int32_t DictDone = 0;

  ibitmap* Image1;
  QLabel* TntLabel1;
  QLabel* Label2;
  ibitmap* ibitmap27;
  IProgressBar* IProgressBar1;

  // The bar's position for a report (DictCount above 0), within [min, max].
  static int32_t ProgressPosition(int32_t progress, int32_t dictCount, int32_t dictDone, int32_t min, int32_t max);
  void ProgressChange(int32_t progress);
  // A report of the dictionary loading: the counts, Label2's text (unless
  // empty), then ProgressChange.
  void DictionaryProgress(int32_t percent, std::u16string_view text, int32_t dictCount, int32_t dictDone);

 protected:
  void showEvent(QShowEvent* event) override;
};

// The splash form while it exists, else null.
extern TForm1* Form1;

}  // namespace kestrune
