// The update form offscreen: its captions, the memo of an offer, and the
// answers the user gives, with the installer downloaded from the loopback
// server into the program's "update" folder.
//
// With KESTRUNE_WRITE_IMAGES=<folder> the offer's picture is written there
// as update_form.png (for docs/).
#include "ui/update_form.h"

#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <functional>

#include "app/connect_probe.h"
#include "app/kestrune_session.h"
#include "app/window/apply_language.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/form_test_support.h"

namespace kestrune {
namespace {

using test::HttpReply;

using test::WhenShown;

struct TFormRig {
  test::TempDir dir;
  test::ScopedEnv config{"KESTRUNE_CONFIG_HOME", dir.Path()};
  test::ScopedEnv noProxy{"no_proxy", "*"};
  test::LoopbackHttpServer server;
  TConnectProbe probe;
  TUpdateCheck check{&probe, platform::Utf8ToUtf16(dir.Path() + "program/")};
  std::u16string installerPath = u"old";

  TFormRig() {
    platform::SettingsStore store;
    EXPECT_TRUE(store.OpenKey(kSettingsKey, true));
    store.WriteString(kUpdateServerValue, server.HostAndPort());
    std::filesystem::create_directories(dir.Path() + "program/update");
    check.SetFileVersion("1.5.302.0");
    TUpdateResults offer;
    static_cast<TUpdateOffer&>(offer) = ReadUpdateInfo(
        "[1.5.310.0]\r\nprevious=1.5.300.0\r\nenglish=\"Faster searches, a clearer word map and fixes.\"\r\n"
        "file=patch.zip\r\nsize=2500000\r\nfullfile=full.zip\r\nfullsize=9000000\r\n",
        "1.5.302.0", "english");
    check.TakeResults(offer);
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path() + "program/update")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

TEST(TFUpdate, ComponentsCaptionsAndTheOffer) {
  TFormRig rig;
  TFUpdate form(rig.check, rig.installerPath);
  ApplyBuiltInLanguage(form);
  EXPECT_EQ(form.windowTitle(), "Update");
  EXPECT_EQ(form.BUpdate->text(), "Update");
  EXPECT_EQ(form.BCancel->text(), "Cancel");
  EXPECT_EQ(form.AutoSearchUpdateAtStart->text(), "Check for updates at start-up");
  QString memo;
  bool checkBoxHidden = false;
  WhenShown(form, [&] {
    memo = form.MemoUpdate->toPlainText();
    checkBoxHidden = form.AutoSearchUpdateAtStart->isHidden();
    const QString folder = QString::fromLocal8Bit(qgetenv("KESTRUNE_WRITE_IMAGES"));
    if (!folder.isEmpty()) EXPECT_TRUE(form.grab().save(folder + "/update_form.png"));
    QTest::keyClick(&form, Qt::Key_Escape);
  });
  EXPECT_EQ(form.ShowModal(1252), QDialog::Rejected);
  EXPECT_EQ(memo,
            "Update is found:\nVersion: 01.05.310.00\nInformation: \n"
            "Faster searches, a clearer word map and fixes.\nSize: 2 MBytes");
  EXPECT_TRUE(checkBoxHidden);
  EXPECT_TRUE(form.MemoUpdate->isReadOnly());
  EXPECT_TRUE(rig.installerPath.empty());  // Esc is Cancel
}

TEST(TFUpdate, Answers) {
  enum Act { kYes, kNo, kCancelWhileDownloading };
  const std::string kInstaller(2500000, 'i');  // the patch's listed size
  const struct {
    const char* name;
    Act act;
    HttpReply reply;
    int result;
    bool stored;
    const char* failure;  // the memo's text after a failed download; null: none shown
  } cases[] = {
      {"YesAndAComplete", kYes, HttpReply::Text(kInstaller), QDialog::Accepted, true, nullptr},
      {"No", kNo, HttpReply::Text(kInstaller), QDialog::Rejected, false, nullptr},
      {"YesAndAFailure", kYes, HttpReply::Status(404), QDialog::Rejected, false,
       "When downloading an updated version, the program encountered an error.\nNo update file is found."},
      // Complete by its own length, but short of the 2,500,000 bytes listed:
      // the same lines, and why.
      {"YesAndLessThanListed", kYes, HttpReply::Text(kInstaller.substr(0, 1000000)), QDialog::Rejected, false,
       "When downloading an updated version, the program encountered an error.\nNo update file is found.\n"
       "The file that arrived has 1000000 bytes where the update list gives 2500000."},
      {"CancelWhileDownloading", kCancelWhileDownloading,
       HttpReply::Text(std::string(100000, 'i')).Slow(1000, std::chrono::milliseconds(100)), QDialog::Rejected, false,
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFormRig rig;
    rig.server.Route("/download/update/patch.zip", c.reply);
    TFUpdate form(rig.check, rig.installerPath);
    form.FailureWaitMs = 50;
    bool failureShown = false, buttonDisabled = false;
    QObject::connect(form.MemoUpdate, &QPlainTextEdit::textChanged, [&] {
      failureShown = failureShown || (c.failure && form.MemoUpdate->toPlainText() == c.failure);
    });
    WhenShown(form, [&] {
      QTest::mouseClick(form.BUpdate, Qt::LeftButton);
      buttonDisabled = !form.BUpdate->isEnabled();
      QMessageBox* question = form.ClosedQuestion();
      ASSERT_NE(question, nullptr);
      EXPECT_EQ(question->text(), "Before you start updating Kestrune, it should be closed.");
      question->button(c.act == kNo ? QMessageBox::No : QMessageBox::Yes)->click();
      if (c.act == kCancelWhileDownloading) {
        ASSERT_TRUE(rig.server.WaitForRequests(1));
        QTest::qWait(200);
        QTest::mouseClick(form.BCancel, Qt::LeftButton);
      }
    });
    EXPECT_EQ(form.ShowModal(1252), c.result);
    EXPECT_TRUE(buttonDisabled);
    EXPECT_EQ(failureShown, c.failure != nullptr);
    EXPECT_EQ(rig.server.RequestCount(), c.act == kNo ? 0u : 1u);
    if (c.stored) {
      EXPECT_EQ(platform::Utf16ToUtf8(rig.installerPath), rig.dir.Path() + "program/update/patch.zip");
      EXPECT_EQ(test::ReadFileBytes(rig.dir.Path() + "program/update/patch.zip"), kInstaller);
    } else {
      EXPECT_EQ(rig.installerPath, c.act == kNo ? u"old" : u"");  // No leaves it; a failure or Cancel empties it
      EXPECT_TRUE(rig.Files().empty());
    }
    EXPECT_TRUE(form.BUpdate->isEnabled());
  }
}

}  // namespace
}  // namespace kestrune
