// The small forms offscreen: the questions' answers, the add-link form, the
// list form's order, the splash form's progress, the about box and the
// bug-report form with a stand-in mail program.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the test writes small_forms.png there
// (for docs/): the splash, the about box, the save question and the
// bug-report form.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QLocale>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <thread>

#include "app/browser_opener.h"
#include "app/run_temp_folder.h"
#include "app/window/apply_language.h"
#include "core/log_file.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "platform/version_info.h"
#include "tests/support/gunzip.h"
#include "tests/support/temp_dir.h"
#include "ui/about_form.h"
#include "ui/add_url_form.h"
#include "ui/exception_form.h"
#include "ui/list_form.h"
#include "ui/question_forms.h"
#include "ui/splash_form.h"

namespace kestrune {
namespace {

// Runs `act` once a modal form of this class is shown.
template <class Form>
void WhenModal(std::function<void(Form&)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* form = dynamic_cast<Form*>(QApplication::activeModalWidget());
    if (!form || !form->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(*form);
  });
  timer->start(5);
}

template <class Form>
std::unique_ptr<Form> ProgramForm() {
  auto form = std::make_unique<Form>();
  ApplyBuiltInLanguage(*form);
  return form;
}

enum class TAct { Yes, No, Cancel, CloseBox, Escape };

// The act on a question: a button, the window's close box or Esc.
void Act(QDialog& form, TAct act, QPushButton* yes, QPushButton* no, QPushButton* cancel) {
  switch (act) {
    case TAct::Yes: QTest::mouseClick(yes, Qt::LeftButton); break;
    case TAct::No: QTest::mouseClick(no, Qt::LeftButton); break;
    case TAct::Cancel: QTest::mouseClick(cancel, Qt::LeftButton); break;
    case TAct::CloseBox: form.close(); break;
    case TAct::Escape: QTest::keyClick(&form, Qt::Key_Escape); break;
  }
}

TEST(SmallForms, TheQuestionsAnswersAndTheirBoxes) {
  auto question = ProgramForm<TQuestion>();
  auto change = ProgramForm<TQuestChSE>();
  auto noDict = ProgramForm<TFMessNoDict>();
  enum Form { kSave, kChange, kNoDict };
  const struct {
    Form form;
    TAct act;
    bool tick;  // the "Don't ask me again" box ticked first
    int32_t result;
  } cases[] = {
      {kSave, TAct::Yes, true, 6},         {kSave, TAct::No, false, 7},      {kSave, TAct::Cancel, true, 2},
      {kSave, TAct::CloseBox, false, 2},   {kSave, TAct::Escape, false, 2},  {kChange, TAct::Yes, false, 6},
      {kChange, TAct::No, false, 7},       {kChange, TAct::Cancel, false, 2}, {kChange, TAct::CloseBox, false, 2},
      {kChange, TAct::Escape, false, 2},   {kNoDict, TAct::Yes, true, 6},    {kNoDict, TAct::No, false, 7},
      {kNoDict, TAct::CloseBox, true, 7},  {kNoDict, TAct::Escape, false, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.form << " act " << static_cast<int>(c.act));
    bool dontAsk = !c.tick;
    bool wasCleared = false;
    int32_t answer = 0;
    switch (c.form) {
      case kSave:
        WhenModal<TQuestion>([&](TQuestion& f) {
          // The save question's box shows what the caller gave it.
          wasCleared = f.TntCheckBox1->isChecked() == !c.tick;
          f.TntCheckBox1->setChecked(c.tick);
          Act(f, c.act, f.TntButton1, f.TntButton3, f.TntButton2);
        });
        answer = TQuestion::AskSaveQuestion(nullptr, dontAsk);
        break;
      case kChange:
        WhenModal<TQuestChSE>([&](TQuestChSE& f) {
          wasCleared = f.TBtnNo->isVisible() && f.TLMsg->text() == "line & <b>one</b>" && f.TLMsg1->isHidden();
          Act(f, c.act, f.TBtnYes, f.TBtnNo, f.TBtnCancel);
        });
        answer = TQuestChSE::AskChangeEngine(nullptr, u"line & <b>one</b>", u"", true);
        dontAsk = c.tick;
        break;
      case kNoDict:
        WhenModal<TFMessNoDict>([&](TFMessNoDict& f) {
          wasCleared = !f.TCBNotAsk->isChecked() && f.TntLabel1->text() == "No <i>dictionary</i>";
          f.TCBNotAsk->setChecked(c.tick);
          Act(f, c.act, f.TBtnYes, f.TBtnNo, nullptr);
        });
        answer = TFMessNoDict::AskNoDictionary(nullptr, u"No <i>dictionary</i>", dontAsk);
        break;
    }
    EXPECT_EQ(answer, c.result);
    EXPECT_EQ(dontAsk, c.tick);
    EXPECT_TRUE(wasCleared);  // the box of the last question was cleared; the caller's text shown as it is
  }
  EXPECT_EQ(question->TntLabel1->textFormat(), Qt::PlainText);
  EXPECT_EQ(noDict->TntLabel1->textFormat(), Qt::PlainText);

  // Without No, the change-engine question offers Yes and Cancel.
  bool noShown = true;
  WhenModal<TQuestChSE>([&](TQuestChSE& f) {
    noShown = f.TBtnNo->isVisible();
    f.close();
  });
  EXPECT_EQ(TQuestChSE::AskChangeEngine(nullptr, u"Change?", u"Second line", false), platform::kIdCancel);
  EXPECT_FALSE(noShown);
}

TEST(SmallForms, AddLinkNeedsANameAndAnAddress) {
  auto form = ProgramForm<TFAddUrl>();
  EXPECT_EQ(form->TLName->text(), "Name*");
  EXPECT_TRUE(form->TCBFavorites->isHidden());
  const struct {
    const char* name;
    const char* url;
    bool ok;  // OK pressed, else Cancel
    bool staysOpen;
  } cases[] = {
      {"", "http://x.example/", true, true},
      {"Name", "", true, true},
      {"", "", true, true},
      {"Name", "http://x.example/", true, false},
      {"Name", "http://x.example/", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " | " + c.url);
    bool open = false;
    WhenModal<TFAddUrl>([&](TFAddUrl& f) {
      f.TEName->setText(c.name);
      f.TEUrl->setText(c.url);
      QTest::mouseClick(c.ok ? f.TBOk : f.TBCancel, Qt::LeftButton);
      open = f.isVisible();
      if (open) QTest::keyClick(&f, Qt::Key_Escape);  // Esc is Cancel
    });
    const int result = form->exec();
    EXPECT_EQ(open, c.staysOpen);
    EXPECT_EQ(result, c.ok && !c.staysOpen ? platform::kIdOk : platform::kIdCancel);
  }
}

TEST(SmallForms, TheListFormSortsNumbersDownAndTheRestAfterThem) {
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  auto form = ProgramForm<TIForm>();
  const char* values[] = {"3", "none", "12", "", "-1", "1,200", "nan", "7.5", "12", "x"};
  for (size_t i = 0; i < std::size(values); ++i) form->AddItem(QString::number(i), {values[i]});
  QStringList order;
  for (int i = 0; i < form->TntListView1->topLevelItemCount(); ++i) {
    order << form->TntListView1->topLevelItem(i)->text(1);
  }
  EXPECT_EQ(order, (QStringList{"1,200", "12", "12", "7.5", "3", "-1", "none", "", "nan", "x"}));
  // Antisymmetric over every pair, and each item equal to itself.
  for (int i = 0; i < form->TntListView1->topLevelItemCount(); ++i) {
    for (int j = 0; j < form->TntListView1->topLevelItemCount(); ++j) {
      const QTreeWidgetItem& a = *form->TntListView1->topLevelItem(i);
      const QTreeWidgetItem& b = *form->TntListView1->topLevelItem(j);
      EXPECT_EQ(TIForm::TntListView1Compare(a, b), -TIForm::TntListView1Compare(b, a)) << i << " " << j;
    }
  }
  QLocale::setDefault(previous);
  WhenModal<TIForm>([](TIForm& f) { QTest::mouseClick(f.TntBitBtn1, Qt::LeftButton); });
  EXPECT_EQ(form->exec(), platform::kIdOk);
}

TEST(SmallForms, TheSplashBarFollowsTheDictionaries) {
  test::ScopedEnv home("KESTRUNE_HOME", KESTRUNE_PROGRAM_DIR);
  auto splash = ProgramForm<TForm1>();
  EXPECT_EQ(splash->TntLabel1->text(), "Loading...");
  EXPECT_TRUE(splash->Label2->isHidden());
  const struct {
    int32_t count, done, progress;
    int32_t position;
  } cases[] = {
      {4, 1, 50, 37},   // 12.5 + 25, truncated
      {3, 2, 99, 99},   // 33 + 66.67
      {0, 0, 50, 99},   // nothing to load: the bar stays
      {-1, 0, 50, 99},
      {2, 0, -10, 0},   // held at the bar's ends
      {1, 1, 100, 100}, // the end: 200, a full bar
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " " << c.done << " " << c.progress);
    splash->DictionaryProgress(c.progress, u"", c.count, c.done);
    EXPECT_EQ(splash->IProgressBar1->value(), c.position);
  }
  EXPECT_EQ(splash->IProgressBar1->FillWidth(), splash->IProgressBar1->width());
  splash->DictionaryProgress(0, u"Dict english.dws", 2, 1);
  EXPECT_EQ(splash->Label2->text(), "Dict english.dws");
  EXPECT_EQ(splash->IProgressBar1->value(), 50);
  EXPECT_EQ(splash->IProgressBar1->button(), splash->ibitmap27);
  EXPECT_TRUE(splash->Image1->HasPicture());
}

struct TRecordingOpener : IBrowserOpener {
  bool OpenLocalFile(std::u16string_view) override { return true; }
  std::string MimeTypeOfFile(std::u16string_view) override { return "application/octet-stream"; }
  bool OpenUrl(std::u16string_view url) override {
    urls.emplace_back(url);
    return true;
  }
  std::vector<std::u16string> urls;
};

TEST(SmallForms, TheAboutBoxShowsTheVersionAndOpensItsLinks) {
  test::ScopedEnv home("KESTRUNE_HOME", KESTRUNE_PROGRAM_DIR);
  TRecordingOpener opener;
  auto about = std::make_unique<TFAbout>(&opener);
  ApplyBuiltInLanguage(*about);
  std::vector<std::u16string> mailedTo;
  about->OnSendMail = [&](ISendMail& mail) {
    EXPECT_TRUE(mail.Subject().empty());
    EXPECT_TRUE(mail.Text().empty());
    mailedTo.push_back(mail.mailto());
  };
  QWidget other;
  other.resize(200, 200);
  other.show();

  // Shown modelessly (the logo): the build's version, both links.
  TFAbout::ShowAbout(false, &opener);
  ASSERT_TRUE(about->isVisible());
  const QString version = QString("version %1.%2.%3.%4")
                              .arg(platform::kVersionMajor)
                              .arg(platform::kVersionMinor)
                              .arg(platform::kVersionRelease)
                              .arg(platform::kVersionBuild);
  EXPECT_EQ(about->lbuild->text(), version);
  EXPECT_EQ(about->TntLabel1->textFormat(), Qt::PlainText);
  QTest::mouseClick(about->TntLabel1, Qt::LeftButton);
  QTest::mouseClick(about->TntLabel3, Qt::LeftButton);
  EXPECT_EQ(opener.urls, std::vector<std::u16string>{platform::kMakerSite});
  EXPECT_EQ(mailedTo, std::vector<std::u16string>{u"support@kestrune.example"});
  EXPECT_TRUE(about->isVisible());

  // A click on the picture closes it; so does a press outside it, modal or not.
  QTest::mouseClick(about->Image1, Qt::LeftButton, {}, QPoint(200, 40));
  EXPECT_FALSE(about->isVisible());
  for (bool modal : {false, true}) {
    SCOPED_TRACE(modal);
    bool pressedOutside = false;
    auto pressOutside = [&] {
      pressedOutside = true;
      // Through the window system, as a real press reaches the program.
      QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
    };
    if (modal) {
      QTimer::singleShot(20, pressOutside);
      TFAbout::ShowAbout(true, &opener);  // returns once it closed
    } else {
      TFAbout::ShowAbout(false, &opener);
      pressOutside();
    }
    EXPECT_TRUE(pressedOutside);
    EXPECT_FALSE(about->isVisible());
  }
  EXPECT_EQ(opener.urls.size(), 1u);  // the presses reached no link
}

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 2000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return condition();
}

// The fatal error: the [Except] line, the bug-report form, Send; a stand-in
// "xdg-email" first on PATH records its arguments and whether the attachment
// was there when it ran.
TEST(SmallForms, TheBugReportGoesToTheMailProgramWithTheLog) {
  test::TempDir dir;
  test::ScopedEnv tmp("TMPDIR", dir.Path());
  RemoveRunTempFolder();
  ::mkdir(dir.File("bin").c_str(), 0700);
  test::WriteFileBytes(dir.File("bin/xdg-email"),
                       "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$KESTRUNE_MAIL_ARGS.t\"\n"
                       "for a in \"$@\"; do [ -f \"$a\" ] && echo present >> \"$KESTRUNE_MAIL_ARGS.t\"; done\n"
                       "mv \"$KESTRUNE_MAIL_ARGS.t\" \"$KESTRUNE_MAIL_ARGS\"\n");
  ::chmod(dir.File("bin/xdg-email").c_str(), 0700);
  test::ScopedEnv path("PATH", dir.Path() + "bin:/usr/bin:/bin");
  test::ScopedEnv args("KESTRUNE_MAIL_ARGS", dir.File("args"));
  LogFile.Open(dir.File("kestrune.log"));
  const auto previous = ApplicationExceptionHandler;
  {
    auto form = ProgramForm<TExceptionForm>();
    EXPECT_EQ(form->windowTitle(), "Critical error");
    EXPECT_EQ(form->Button1->toolTip(), "Send an error report");
    bool shown = false;
    WhenModal<TExceptionForm>([&](TExceptionForm& f) {
      shown = true;
      QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    ASSERT_TRUE(ApplicationExceptionHandler);
    ApplicationExceptionHandler(std::runtime_error("the handler of a click failed"));
    EXPECT_TRUE(shown);
    EXPECT_FALSE(form->isVisible());
  }
  EXPECT_EQ(ApplicationExceptionHandler.target_type(), previous.target_type());  // given back

  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(dir.File("args")); }));
  const std::string archive = platform::Utf16ToUtf8(RunTempFolder()) + "kestrune.gz";
  EXPECT_EQ(test::ReadFileBytes(dir.File("args")), "--utf8\n--subject\nkestrune bugs\n--attach\n" + archive +
                                                       "\nmailto:bugs@kestrune.example\npresent\n");
  // The mail program has returned; its attachment is still there.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(std::filesystem::exists(archive));
  const std::string log = test::ReadFileBytes(dir.File("kestrune.log"));
  EXPECT_NE(log.find("[Except] the handler of a click failed"), std::string::npos);
  EXPECT_EQ(test::Gunzip(archive), log);
  LogFile.Open(std::string());
  RemoveRunTempFolder();
}

// The picture for docs/: the splash, the about box, the save question and
// the bug-report form side by side.
TEST(SmallForms, Screenshot) {
  test::ScopedEnv home("KESTRUNE_HOME", KESTRUNE_PROGRAM_DIR);
  auto splash = ProgramForm<TForm1>();
  splash->DictionaryProgress(50, u"", 4, 1);
  auto about = ProgramForm<TFAbout>();
  about->FormShow();
  auto question = ProgramForm<TQuestion>();
  auto report = ProgramForm<TExceptionForm>();
  report->Label1->setText(report->Label1->text());  // laid out at its width
  std::vector<QImage> shots;
  QStringList titles;
  for (QWidget* form : std::initializer_list<QWidget*>{splash.get(), about.get(), question.get(), report.get()}) {
    form->adjustSize();
    shots.push_back(form->grab().toImage());
    titles << (form == splash.get() ? QStringLiteral("Splash") : form->windowTitle());
    EXPECT_FALSE(shots.back().isNull());
  }
  EXPECT_EQ(shots[0].size(), QSize(240, 360));
  EXPECT_EQ(shots[1].size(), QSize(400, 260));
  const QString folder = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
  if (folder.isEmpty()) return;
  constexpr int kGap = 16;
  int width = kGap, height = 0;
  for (const QImage& shot : shots) {
    width += shot.width() + kGap;
    height = std::max(height, shot.height());
  }
  constexpr int kTitle = 24;
  QImage sheet(width, height + kTitle + 2 * kGap, QImage::Format_RGB32);
  sheet.fill(QColor(0xE9, 0xEE, 0xF4));
  QPainter painter(&sheet);
  painter.setPen(QColor(0x1E, 0x2B, 0x3A));
  int x = kGap;
  for (size_t i = 0; i < shots.size(); ++i) {
    painter.drawText(QRect(x, kGap, shots[i].width(), kTitle), Qt::AlignLeft | Qt::AlignVCenter, titles[i]);
    painter.drawImage(x, kGap + kTitle, shots[i]);
    x += shots[i].width() + kGap;
  }
  painter.end();
  EXPECT_TRUE(sheet.save(folder + "/small_forms.png"));
}

}  // namespace
}  // namespace kestrune
