// TCustomContentMap2: the model of the word map. It owns the map's key list
// (TKeys, at most 61 keys), the search-step ring (IControlKeys) the map is
// built from, the relation matrix between the keys and the style table. It
// lays the keys out (LayoutKeys), styles and measures them (StyleKey,
// MeasureKey) and reads the colour file (LoadStyleFile). The label placement
// is TPrintWordByNet.
//
// BuildMap rebuilds the map from the current search step: the query words and
// the words the context model relates to them (a query map, which becomes the
// base map), or the base map with the context of the word under the mouse (a
// hover map), or the base map again (RestoreBaseMap). It calls the main
// window's hooks in a fixed order and logs its steps at level 0. A hovered-key
// index that does not point into the previous keys (the keys were replaced)
// counts as no hover.
//
// A query map asks for the query words with lateral inhibition, which keeps
// only words near every query word; when that answer holds fewer than
// kMinWordCount words besides the query words (a query of several words
// whose words seldom stand together), the same keys are asked again without
// inhibition and its other words follow the first answer's up to WordCount.
// Stop words are dropped from both answers.
//
// The map view copies the keys out, draws them and writes back what the user
// did; the main window holds one TContentMap2 and binds its events and hooks.
// Every event and hook is called only when set. The context model set as
// NeuroNet is not owned. Text is measured by OnMeasureKeyHook, which the view
// supplies; without it MeasureKey estimates the extent from the font size.
//
// Used on the user-interface thread only; nothing is locked.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/keys.h"
#include "map/cm_key_color.h"
#include "map/key_styles.h"
#include "network/control_keys.h"

namespace kestrune {

class TIContextMS;  // the context model: words and relations
class TCustomContentMap2;

inline constexpr int32_t kMaxMapKeys = 61;

using TSelectKeys = std::vector<int32_t>;
using TRequestKeys = std::vector<uint64_t>;  // 8-byte items

using VXlistOfKeysEvent = std::function<void(const TNNKeys& outList, const std::string& s)>;
using VlistOfKeysEvent = std::function<void(int32_t variant)>;
using TCMGetKeyNameEvent = std::function<std::u16string(int32_t index)>;
using TCMGetRelationKeys = std::function<float(int32_t index1, int32_t index2)>;
using TCMGetKeyWeightOfRelationEvent = std::function<float(int32_t index1, int32_t index2)>;
using TCMRequestKeysEvent = std::function<void(const TArrayOfIndex& indexes, TRequestKeys& keys)>;
using TCMSelectKeysEvent = std::function<void(TCustomContentMap2& sender, const TSelectKeys& keys)>;
using TCMSelectKeyEvent = std::function<void(TCustomContentMap2& sender, int32_t index)>;
using TCMMeasureKeyHook = std::function<void(const TKey& key, int32_t& width, int32_t& height)>;
using TCMHook = std::function<void()>;

// The relation matrix: row i, column j is the relation from key i to key j.
using TRelationMatrix = std::vector<std::vector<float>>;

// The component font (stored only; the model measures with KeyFont).
struct TMapFont {
  std::u16string Name = u"Tahoma";
  int32_t Size = 12;
};

// An accessor to one key of the map, handed out by GetKey from a ring of 16.
// It refers to the key by index and checks it on every use, so after the key
// list changed it reads the key now at that index, or none.
class TCMKey {
 public:
  bool HasKey() const;
  uint32_t GetFlags() const;  // 0 without a key
  int32_t GetId() const;      // 0 without a key
  // No effect without a key or when the value is unchanged.
  void SetFlags(uint32_t value);
  void SetWeight(float value);

 private:
  friend class TCustomContentMap2;
  TKey* Key() const;

  TCustomContentMap2* map_ = nullptr;
  int32_t index_ = -1;
};

class TCustomContentMap2 {
 public:
  using TEntryEvent = std::function<void(TCustomContentMap2& sender)>;
  using TNotifyEvent = std::function<void(TCustomContentMap2& sender)>;

  static constexpr int32_t kAccessorCount = 16;
  static constexpr int32_t kDefaultColor = static_cast<int32_t>(0xFF00000F);  // button face
  static constexpr int32_t kDefaultWordCount = 50;
  static constexpr int32_t kMinWordCount = 10;
  // Results of LoadStyleFile and LoadStyleText.
  static constexpr int32_t kStyleFileOk = 0;
  static constexpr int32_t kStyleFileMissing = -1;  // no such file, or it cannot be read
  static constexpr int32_t kStyleFileBroken = -2;   // reading ended at a fault; earlier blocks kept

  TCustomContentMap2();
  virtual ~TCustomContentMap2();
  TCustomContentMap2(const TCustomContentMap2&) = delete;
  TCustomContentMap2& operator=(const TCustomContentMap2&) = delete;

  // ---- events ----
  VXlistOfKeysEvent OnVXlistOfKeys;   // raised by SendEmptyKeyList
  VXlistOfKeysEvent OnVXlistOfKeys2;  // never raised by the model
  VXlistOfKeysEvent OnReGenerate;     // never raised
  TEntryEvent OnReGetData;            // end of a rebuild, and when the map is emptied
  TCMGetKeyNameEvent OnGetKeyName;    // the text of a word identifier
  TCMGetRelationKeys OnGetRelationKeys;  // relation weight of two identifiers
  TCMGetKeyWeightOfRelationEvent OnGetKeyWeightOfRelation;  // never raised
  TCMRequestKeysEvent OnRequestKeys;  // never raised
  TNotifyEvent OnResize;              // end of a rebuild when OnReGetData is not set
  TCMSelectKeysEvent OnSelect;        // never raised
  TCMSelectKeysEvent OnGroupSelect;   // never raised
  TCMSelectKeyEvent OnSingleSelect;   // never raised

  // Also installed as the change callback of Steps(): raised with the kind
  // that changed.
  const VlistOfKeysEvent& OnAllKeys() const { return onAllKeys_; }
  void SetOnAllKeys(VlistOfKeysEvent handler);

  // ---- hooks the main window binds ----
  TCMHook OnEmptyQueryHook;     // excluded view with no query words: back to the query view
  TCMHook OnHasExcludedHook;    // show the "Excluded words" button
  TCMHook OnNoExcludedHook;     // hide it
  TCMHook OnNoKeysHook;         // the map was emptied for want of query words: new query
  TCMHook OnBeforeKeysHook;     // order the result documents into ResultFiles()
  TCMMeasureKeyHook OnMeasureKeyHook;  // the view's text measuring
  // A related word (never a query word) for which it answers true is left
  // off the map: the stop words.
  std::function<bool(int32_t id)> OnStopWordHook;

  // ---- properties ----
  int32_t Color() const { return color_; }
  void SetColor(int32_t value);
  bool DrawPoint() const { return drawPoint_; }
  void SetDrawPoint(bool value);
  TMapFont& Font() { return font_; }
  const TMapFont& Font() const { return font_; }
  TIContextMS* NeuroNet() const { return neuroNet_; }
  void SetNeuroNet(TIContextMS* net) { neuroNet_ = net; }
  bool Selected() const { return selected_; }

  // ---- state ----
  TKeys& Keys() { return keys_; }
  const TKeys& Keys() const { return keys_; }
  int32_t KeyCount() const { return static_cast<int32_t>(keys_.size()); }
  const TKeys& PreviousKeys() const { return previousKeys_; }
  int32_t PreviousKeyCount() const { return static_cast<int32_t>(previousKeys_.size()); }
  // A rebuild sets the previous keys itself; this lets a tool or test stage
  // the change from one map to the next for the view's animation.
  void SetPreviousKeys(TKeys keys) { previousKeys_ = std::move(keys); }
  const TKeys& BaseKeys() const { return baseKeys_; }
  int32_t BaseKeyCount() const { return static_cast<int32_t>(baseKeys_.size()); }
  TRelationMatrix& Relations() { return relations_; }
  const TRelationMatrix& Relations() const { return relations_; }
  const TNNKeys& KeyList() const { return keyList_; }
  // Written by the main window's document ordering before every rebuild.
  TNNKeys& ResultFiles() { return resultFiles_; }
  IControlKeys& Steps() { return *steps_; }
  const IControlKeys& Steps() const { return *steps_; }

  int32_t WordCount() const { return wordCount_; }
  void SetWordCount(int32_t value) { wordCount_ = value; }
  int32_t HoverWordPercent() const { return hoverWordPercent_; }
  void SetHoverWordPercent(int32_t value) { hoverWordPercent_ = value; }
  uint16_t HoverWordBase() const { return hoverWordBase_; }
  void SetHoverWordBase(uint16_t value) { hoverWordBase_ = value; }
  bool ExcludedMode() const { return excludedMode_; }
  void SetExcludedMode(bool value) { excludedMode_ = value; }
  bool NoQueryMode() const { return noQueryMode_; }
  void SetNoQueryMode(bool value) { noQueryMode_ = value; }
  bool Dimmed() const { return dimmed_; }
  void SetDimmed(bool value) { dimmed_ = value; }
  bool RestoreBaseMap() const { return restoreBaseMap_; }
  void SetRestoreBaseMap(bool value) { restoreBaseMap_ = value; }
  int32_t HoveredKey() const { return hoveredKey_; }
  void SetHoveredKey(int32_t value) { hoveredKey_ = value; }
  int32_t AnchorKey() const { return anchorKey_; }
  void SetAnchorKey(int32_t value) { anchorKey_ = value; }
  int32_t ClickedKey() const { return clickedKey_; }
  void SetClickedKey(int32_t value) { clickedKey_ = value; }
  int32_t HoverTargetKey() const { return hoverTargetKey_; }
  void SetHoverTargetKey(int32_t value) { hoverTargetKey_ = value; }
  float HoverPosX() const { return hoverPosX_; }
  float HoverPosY() const { return hoverPosY_; }
  void SetHoverPos(float x, float y) {
    hoverPosX_ = x;
    hoverPosY_ = y;
  }
  int32_t MapWidth() const { return mapWidth_; }
  int32_t MapHeight() const { return mapHeight_; }
  void SetMapSize(int32_t width, int32_t height) {
    mapWidth_ = width;
    mapHeight_ = height;
  }
  const std::u16string& KeyFont() const { return keyFont_; }
  void SetKeyFont(std::u16string value) { keyFont_ = std::move(value); }
  float MaxWeight() const { return maxWeight_; }
  float MinWeight() const { return minWeight_; }
  // 0, 2 or 4 points taken off computed font sizes on a crowded map.
  int32_t SizeReduction() const { return sizeReduction_; }
  void SetSizeReduction(int32_t value) { sizeReduction_ = value; }

  const TStyleTable& Styles() const { return styles_; }
  TStyleTable& Styles() { return styles_; }

  // ---- fields the main window reads and writes ----
  // The model itself never reads them; they travel with the map.
  std::vector<int32_t> TypedWords;  // identifiers of the typed query words, in typing order
  int32_t TypedWordCount = 0;
  int32_t NewKeysLeft = 0;  // where new keys enter the map: the query box's left and top
  int32_t NewKeysTop = 0;
  bool PhraseMode = false;
  bool DeferredRebuild = false;  // a rebuild waits for the release of Ctrl
  bool Distribute = false;       // the "Distribute" menu switch
  bool RemoveOverlaps = false;   // the "Remove Overlaps" menu switch
  bool WordCountChanged = false;  // WordCount changed: redraw the map
  int32_t HoverState = 0;
  int32_t KeysUpdate = 0;  // 1 after a new step, 0 after a step back (the ring's change event)

  // ---- accessors and updates ----
  // The next accessor of the ring, set to the key at index (none when out of
  // range). Valid until 16 further calls.
  TCMKey& GetKey(int32_t index);
  void BeginUpdate();
  void EndUpdate();
  int32_t UpdateCount() const { return updateCount_; }

  // ---- operations on the keys ----
  void HighlightKey(int32_t id);
  void ClearHighlights();
  // StyleKey on every key, in index order.
  void ApplyStyles();
  // StyleKey, then TextWidth and TextHeight from OnMeasureKeyHook, or without
  // it the estimate width = Round(0.6 x Trunc(FontSize) x UTF-16 units),
  // height = Round(1.2 x Trunc(FontSize)).
  void MeasureKey(TKey& key);
  // Appends a copy of the last key (a blank key on an empty map) with the
  // given Id; returns its index.
  int32_t AddKey(int32_t id);
  // Every key with KF_CARRIED gets KF_HIDDEN instead. True.
  bool DeleteFlaggedKeys();
  void CopyKeysOut(TKeys& dest) const;
  void CopyKeysIn(const TKeys& src);
  void ClearKeys();
  void Clear();
  void SendEmptyKeyList();
  // The query words (mask bit 2, code 2) then the excluded words (mask bit 4,
  // code 4), each code a 32-bit integer in the weight field (see KeyCode).
  // Swapped kinds in ExcludedMode; nothing (count 0, list untouched) in
  // NoQueryMode.
  void GetQueryKeys(int32_t mask, TNNKeys& list, int32_t& count) const;

  // ---- the rebuild ----
  // Rebuilds the map from the current step of Steps(). Hooks, in this order
  // and each only when it applies: OnHasExcludedHook or OnNoExcludedHook (query
  // view), OnEmptyQueryHook (excluded view without query words),
  // OnBeforeKeysHook (always); with no query words the map is emptied and
  // OnReGetData then OnNoKeysHook end it. A map of zero width or height stops
  // after PreviousKeys is taken. Unless Silent, OnReGetData (or without it
  // OnResize) ends a rebuild.
  void BuildMap(bool Silent);

  // ---- layout ----
  // Relative positions (X, Y) of every key from the relation matrix. Returns
  // the number of iterations run (0 for a single key and the circle of
  // unrelated query words).
  int32_t LayoutKeys();

  // ---- styles ----
  void StyleKey(TKey& key);
  // Reads the colour file; a fault ends the reading silently, blocks read
  // before it keep their new values and all others theirs.
  int32_t LoadStyleFile(std::u16string_view path);
  // The same over the file's bytes.
  int32_t LoadStyleText(std::string_view text);
  // Parses the lines of one block into the block of that section. False on a
  // value that is not a number (the lines before it are applied).
  bool ParseStyleBlock(std::span<const std::string_view> lines, int32_t section, int32_t block);

 private:
  friend class TCMKey;
  // Bits of the pending changes recorded inside BeginUpdate.
  static constexpr uint32_t kChangedColor = 0x1;
  static constexpr uint32_t kChangedDrawPoint = 0x2;
  static constexpr uint32_t kChangedFlags = 0x1;
  static constexpr uint32_t kChangedWeight = 0x2;

  void NoteMapChange(uint32_t bit);
  void NoteKeyChange(uint32_t bit);
  // The font size of a sized block, or of the no-query override, for weight w:
  // low..high over a weight range, clamped to (low - reduction, high) and never
  // below 1 point.
  float SizedFontSize(float low, float high, float range, float w, float wLast) const;
  float RelationAt(size_t row, size_t column) const;
  // Gathers the keys of a rebuild: the query map, or with a valid hovered key
  // and a hovered word in kind 4 the hover map on top of the base map.
  void getmore_keys(int32_t hovered);
  // Drops the words OnStopWordHook names; count follows the list.
  void DropStopWords(TNNKeys& words, int32_t& count) const;
  // True when the query map's inhibited answer (resultList_) holds fewer than
  // kMinWordCount words besides the query words.
  bool QueryAnswerRunsDry(const TControlKeyList& queryWords) const;
  // The texts the map shows, each with the identifier that shows it.
  using TShownTexts = std::vector<std::pair<int32_t, std::u16string>>;
  // The identifier that shows the text under another identifier than id, -1
  // when none does (a text the map hides, empty, a blank or "'s", is never
  // shown).
  static int32_t OtherReading(const TShownTexts& shown, int32_t id, const std::u16string& text);
  // One word text, one place: drops every word whose text (OnGetKeyName) a
  // key of `shown` or an earlier word of the list shows already under another
  // identifier (two dictionaries' readings of one text), so that a query
  // word's text keeps the query's reading; the kept words join `shown`.
  // count follows the list.
  void DropSecondReadings(TNNKeys& words, int32_t& count, TShownTexts& shown) const;
  // Asks the network again for the same keys (keyList_) without lateral
  // inhibition and appends its words that the answer lacks, in its order,
  // until the answer holds `wanted` words; count follows the answer. A word
  // whose text `shown` holds under another identifier is left off.
  void AddUninhibitedWords(int32_t wanted, int32_t& count, TShownTexts& shown);
  // Appends a key, or when a key with its Id exists ORs its flags into it.
  void MergeKey(TKey key);
  std::u16string KeyName(int32_t id) const;
  void FillRelations();
  // Step 20: the hover target, the hover point and hidden carried keys.
  void MatchPreviousKeys(int32_t hovered, float& hoverX, float& hoverY);

  // Events and properties.
  VlistOfKeysEvent onAllKeys_;
  int32_t color_ = kDefaultColor;
  bool drawPoint_ = true;
  TMapFont font_;
  TIContextMS* neuroNet_ = nullptr;  // not owned
  bool selected_ = false;

  // The map.
  TKeys keys_;
  TKeys previousKeys_;
  TKeys baseKeys_;
  TRelationMatrix relations_;
  TNNKeys keyList_;      // the keys handed to the network in a rebuild
  TNNKeys resultList_;   // the network's answer in a rebuild
  TNNKeys resultFiles_;  // the ordered result documents
  std::unique_ptr<IControlKeys> steps_;

  // Settings and interaction state.
  int32_t wordCount_ = kDefaultWordCount;
  int32_t hoverWordPercent_ = 50;
  uint16_t hoverWordBase_ = 20;
  bool excludedMode_ = false;
  bool noQueryMode_ = true;
  bool dimmed_ = false;
  bool restoreBaseMap_ = false;
  int32_t hoveredKey_ = -1;
  int32_t anchorKey_ = -1;
  int32_t clickedKey_ = -1;
  int32_t hoverTargetKey_ = -1;
  float hoverPosX_ = 0.0f;
  float hoverPosY_ = 0.0f;
  int32_t mapWidth_ = 0;
  int32_t mapHeight_ = 0;
  std::u16string keyFont_ = u"Arial";
  float maxWeight_ = 0.0f;
  float minWeight_ = 0.0f;
  int32_t sizeReduction_ = 0;

  TStyleTable styles_;

  std::array<TCMKey, kAccessorCount> accessors_;
  int32_t nextAccessor_ = 0;
  int32_t updateCount_ = 0;
  uint32_t pendingMapChanges_ = 0;
  uint32_t pendingKeyChanges_ = 0;
};

// The component the main window places: the same class.
class TContentMap2 : public TCustomContentMap2 {};

}  // namespace kestrune
