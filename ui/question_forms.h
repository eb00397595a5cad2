// The program's three modal questions. Each answers with the platform's
// modal results (Yes 6, No 7, Cancel 2) and turns every other way of closing
// (the close box, Esc) into its own answer; their labels show their text as
// plain text.
//
//   TQuestion ("Question"), the save question: TntLabel1, TntButton1 (Yes),
//     TntButton3 (No), TntButton2 (Cancel), TntCheckBox1 ("Don't ask me
//     again", showing the caller's value at every show: ticked while the
//     question is switched off, which the close still asks); on top, centred
//     on the screen. Any answer but 6 and 7 becomes 2. Yes has the first
//     focus.
//   TQuestChSE ("QuestChSE"), the change-engine question: the message lines
//     TLMsg and TLMsg1, filled by the caller, TBtnYes, TBtnNo and TBtnCancel;
//     No and the check box TCheckBox are hidden unless the caller shows them.
//     Any answer but 6 and 7 becomes 2.
//   TFMessNoDict ("FMessNoDict"), the missing-dictionary question: TntLabel1
//     (the caller's text), TBtnYes, TBtnNo and TCBNotAsk ("Don't ask me
//     again", cleared on every show). Any answer but 6 becomes 7. Yes has
//     the first focus.
//
// The program makes one of each at its start (the globals below point at
// them); the static Ask functions use that form, with the interface language
// applied, or, when there is none, one made for the question.
//
// User-interface thread only.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <cstdint>
#include <string_view>

namespace kestrune {

class TQuestion : public QDialog {
 public:
  explicit TQuestion(QWidget* parent = nullptr);
  ~TQuestion() override;

  QLabel* TntLabel1;
  QPushButton* TntButton1;  // Yes
  QPushButton* TntButton3;  // No
  QPushButton* TntButton2;  // Cancel
  QCheckBox* TntCheckBox1;

  // Shows the form modally with its check box as `dontAsk`: its answer, and
  // the check box in `dontAsk`.
  int32_t Ask(bool& dontAsk);
  static int32_t AskSaveQuestion(QWidget* parent, bool& dontAsk);

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool dontAskShown_ = false;  // the check box at the next show
};

class TQuestChSE : public QDialog {
 public:
  explicit TQuestChSE(QWidget* parent = nullptr);
  ~TQuestChSE() override;

  QLabel* TLMsg;
  QLabel* TLMsg1;
  QPushButton* TBtnYes;
  QPushButton* TBtnNo;
  QPushButton* TBtnCancel;
  QCheckBox* TCheckBox;

  // The message lines (an empty second line is hidden) and whether No
  // shows; then the answer.
  int32_t Ask(std::u16string_view message, std::u16string_view message1, bool withNo);
  static int32_t AskChangeEngine(QWidget* parent, std::u16string_view message, std::u16string_view message1,
                                 bool withNo);

  void done(int result) override;
};

class TFMessNoDict : public QDialog {
 public:
  explicit TFMessNoDict(QWidget* parent = nullptr);
  ~TFMessNoDict() override;

  QLabel* TntLabel1;
  QPushButton* TBtnYes;
  QPushButton* TBtnNo;
  QCheckBox* TCBNotAsk;

  // Shows `text` modally: the answer, and the check box in `dontAsk`.
  int32_t Ask(std::u16string_view text, bool& dontAsk);
  static int32_t AskNoDictionary(QWidget* parent, std::u16string_view text, bool& dontAsk);

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
};

// The program's forms while they exist, else null.
extern TQuestion* Question;
extern TQuestChSE* QuestChSE;
extern TFMessNoDict* FMessNoDict;

}  // namespace kestrune
