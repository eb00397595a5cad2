// The query box of TKestruneSession: the suggestion list under it, its keys,
// the drop-down lists, and the page's and the map's commands that go through
// it.
#include <algorithm>

#include "app/kestrune_session.h"

namespace kestrune {

namespace {

constexpr int32_t kKeyEscape = 27;
constexpr int32_t kKeyUp = 38;
constexpr int32_t kKeyDown = 40;
// What a drop-down list has beyond its widest item.
constexpr int32_t kDropDownMargin = 20;

}  // namespace

void TKestruneSession::IComboBox1Visible() {
  if (!View) return;
  const TViewRect box = View->Bounds(TMainControl::IComboBox1);
  TViewRect list = View->Bounds(TMainControl::ListBox1);
  list.Left = box.Left;
  list.Top = box.Top + box.Height;
  list.Width = box.Width;
  Entry.Suggestions.clear();
  const std::u16string typed = View->QueryText();
  // An empty text suggests nothing (it has no first character).
  if (View->Visible(TMainControl::IComboBox1) && !typed.empty()) {
    for (const std::u16string& item : Entry.QueryItems) {
      if (!item.empty() && item.front() == typed.front() && item.find(typed) != std::u16string::npos) {
        Entry.Suggestions.push_back(item);
      }
    }
  }
  const auto count = static_cast<int32_t>(Entry.Suggestions.size());
  list.Height = (count > 9 ? 10 : count + 1) * View->SuggestionItemHeight();
  View->SetSuggestionItems(Entry.Suggestions);
  View->SetBounds(TMainControl::ListBox1, list);
  View->SetVisible(TMainControl::ListBox1, !Entry.Suggestions.empty() && Entry.Suggestions.front() != typed);
}

void TKestruneSession::IComboBox1KeyUp(int32_t key) {
  if (key != kKeyUp && key != kKeyDown) IComboBox1Visible();
}

bool TKestruneSession::IComboBox1KeyDown(int32_t key) {
  if (!View || View->QueryDropDownOpen()) return false;
  if (key == kKeyEscape) {
    View->SetVisible(TMainControl::ListBox1, false);
    View->SetQueryText(u"");
    return false;
  }
  if ((key == kKeyUp || key == kKeyDown) && !Entry.Suggestions.empty()) {
    View->SetQueryText(Entry.Suggestions.front());
    return true;
  }
  return false;
}

void TKestruneSession::ListBox1Click(int32_t index) {
  if (!View || index < 0 || index >= static_cast<int32_t>(Entry.Suggestions.size())) return;
  // Setting the text puts the caret at its end.
  View->SetQueryText(Entry.Suggestions[static_cast<size_t>(index)]);
}

void TKestruneSession::ListBox1KeyPress() {
  if (!View) return;
  View->SetFocus(TMainControl::IComboBox1);
  View->SetQueryText(View->QueryText());
}

void TKestruneSession::ListBox1MouseUp() { SetVisible(TMainControl::ListBox1, false); }

void TKestruneSession::IComboBox1DropDown() {
  if (!View) return;
  View->SetVisible(TMainControl::ListBox1, false);
  const int32_t widest =
      std::max(View->WidestItemWidth(TMainControl::IComboBox1), View->Bounds(TMainControl::IComboBox1).Width);
  View->SetDropDownWidth(TMainControl::IComboBox1, widest + kDropDownMargin);
}

void TKestruneSession::CBWebSiteDropDown() {
  if (!View) return;
  const int32_t widest =
      std::max(View->WidestItemWidth(TMainControl::CBWebSite), View->Bounds(TMainControl::CBWebSite).Width);
  View->SetDropDownWidth(TMainControl::CBWebSite, widest + kDropDownMargin);
  View->SetFocus(TMainControl::CBWebSite);
}

void TKestruneSession::AddToQuery1Click() { SubmitPagePopupWord(false); }

void TKestruneSession::Excludefromquery1Click() { SubmitPagePopupWord(true); }

void TKestruneSession::pmRemovefromqueryClick() {
  pmRemoveFromExcludedClick();
  StartAdvertising();
}

}  // namespace kestrune
