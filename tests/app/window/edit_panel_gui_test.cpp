// The network edit panel offscreen: made hidden with its named controls, the
// toggle, and its controls reaching a bound model.
#include "app/window/edit_panel.h"

#include <gtest/gtest.h>

#include <QTest>

#include "app/edit_panel_model.h"
#include "language/phrase_word_dictionary.h"
#include "network/context_ms.h"

namespace kestrune {
namespace {

TEST(EditPanel, IsMadeHiddenWithItsNamedControls) {
  TEditPanel panel;
  EXPECT_FALSE(panel.isVisible());
  for (const char* name : {"TntSpeedButton1", "TntSpeedButton2", "TntSpeedButton3", "TntSpeedButton4", "phraseEdit",
                           "TntButton1", "ILabel6", "TntEdit1", "IBitmapTrackBar1", "TntSpeedButton5", "TntEdit2",
                           "TntEdit3", "TntSpeedButton6", "TntSpeedButton7", "TntSpeedButton8", "edit_undo",
                           "edit_redo"}) {
    EXPECT_NE(panel.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
  }
  EXPECT_TRUE(panel.Toggle());
  EXPECT_TRUE(panel.isVisible());
  EXPECT_FALSE(panel.Toggle());
  EXPECT_FALSE(panel.isVisible());
}

TEST(EditPanel, ControlsReachTheBoundModel) {
  TPhraseWordDictionary dictionary;
  TIContextMS context;
  IControlFlow flow;
  std::vector<std::u16string> added;
  TEditPanelHost host;
  host.AddToQuery = [&](std::u16string_view text) { added.emplace_back(text); };
  TEditPanelModel model(flow, context, dictionary, host);
  TEditPanel panel;
  panel.Bind(&model);
  ASSERT_TRUE(panel.Toggle());

  QTest::mouseClick(panel.TntSpeedButton3, Qt::LeftButton);
  EXPECT_EQ(model.Kind(), ekWeightSet);
  EXPECT_EQ(panel.Pages->currentIndex(), ekWeightSet);
  QTest::mouseClick(panel.TntSpeedButton1, Qt::LeftButton);
  QTest::keyClicks(panel.phraseEdit, QStringLiteral("sea gull"));
  QTest::keyClick(panel.phraseEdit, Qt::Key_Return);
  EXPECT_EQ(added, std::vector<std::u16string>{u"\"sea gull\""});
  EXPECT_EQ(flow.Count(), 1);
  EXPECT_TRUE(panel.phraseEdit->text().isEmpty());
  // Hiding through the model empties the phrase field.
  panel.phraseEdit->setText(QStringLiteral("x"));
  model.PhraseText.push_back(u'x');
  EXPECT_FALSE(panel.Toggle());
  EXPECT_TRUE(panel.phraseEdit->text().isEmpty());
}

}  // namespace
}  // namespace kestrune
