// TIContextMS: the context model of the current search. It owns a two-layer
// network (TIASN): layer 0 holds one element per word, layer 1 one element
// per result document (a "page"). A word-id set ties each word element to its
// word, and the file table (TFilesASN) ties each document to its page
// elements.
//
// Invariant: node i of the word-id set holds the word id of word element i.
// Every operation that adds a word element registers its id in the same step,
// so FindWordElement (the set's Find) is the element index. Open checks the
// invariant against what it read and clears the model when the counts differ.
//
// Building (context_ms_build.cpp): after a search the main window clears the
// model and feeds it, document by document, the parsed title, annotation and
// address of each result (three paragraphs per document). Word-word relations
// within a window of two words weigh (0.4 / d)^2 and grow as
// old + (1 - old) x w; word-page relations start at 0.7 (title) or 0.5
// (annotation) and grow by SaturatingWeight(0.8, old + increment); the
// document's own word list sets its page relations to the document weight.
// Weights are singles; a word-word relation's growth and a document's score
// step are computed in extended precision and rounded once.
//
// Queries (context_ms_query.cpp): GetWords, GetFiles and GetRelationWeight
// spread activation from key words and key documents through the network; a
// child model (ChildIContextMS) adds its words and relations. GetClusters
// (context_ms_clusters.cpp) groups related words and the documents they lead
// to. Every query leaves activations behind; the next one resets what it uses.
//
// Files (context_ms_file.cpp): base.inn (the network), base.anw (the word-id
// set, an "AVLF" file), base.anf (the file table). The parts are written to
// temporary files, renamed only when all of them were written; Save reports
// the part that failed. Open reads the parts and checks that they belong
// together. The older formats (context_ms_legacy.cpp): "WNAF" word-id files,
// in which a repeated entry keeps its place with a placeholder that matches
// no word, and the context chunk of the oldest project files.
//
// Logging: each step writes fixed lines at level 0 to the shared LogFile;
// files that cannot be read or written, and parts that do not belong
// together, are logged at level 2.
//
// Not owned: WordDictionary (may be null) and ChildIContextMS (may be null; a
// model is never its own child, directly or through other models, and a child
// that is destroyed detaches itself). Not thread-safe: the user-interface
// thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/avl_tree.h"
#include "core/keys.h"
#include "core/stream.h"
#include "network/asn.h"
#include "network/files_asn.h"

namespace kestrune {

struct TParsingText;
class TIWordDictionary;
class TTagStream;

// Stored with the form; the model does not read it.
enum class TTypeComponentText : uint8_t { cText, cParagraph, cSentence };

// One cluster: a group of strongly related words with the documents they
// lead to (IsWordCluster 1), or a single document no word cluster reached
// (IsWordCluster 0).
struct TCluster {
  uint8_t IsWordCluster = 0;
  float Weight = 0.0f;
  int32_t FileCount = 0;  // entries in Files
  int32_t WordCount = 0;  // entries in Words
  TNNKeys Files;          // file id, score
  TNNKeys Words;          // word id, weight
};

struct TClusters {
  int32_t Count = 0;      // number of clusters
  int32_t FileCount = 0;  // documents GetFiles found (on every path)
  std::vector<TCluster> Items;
};

// Sorts the first `count` items by Weight, largest first (the quicksort of
// TIContextMS::SortByWeight).
void SortClusters(TClusters& clusters, int32_t count);
// Every weight x (1 / M), M the largest weight (from 0), when M > 0; the
// largest weight becomes exactly 1.
void NormalizeByMax(TNNKeys& list);

class TIContextMS {
 public:
  static constexpr int32_t kWordLayer = 0;
  static constexpr int32_t kPageLayer = 1;
  static constexpr float kWordBudget = 5.0f;
  static constexpr float kNoBudget = -1.0f;
  static constexpr float kThreshold = 0.001f;
  static constexpr float kTitleWeight = 0.7f;
  static constexpr float kAnnotationWeight = 0.5f;
  static constexpr float kPageLimit = 0.8f;  // SaturatingWeight limit of word-page relations
  static constexpr int32_t kPhraseBase = 2000000;
  static constexpr int16_t kLegacyPhraseKind = -12;
  // Identifiers stored for word entries of an old ".anw" file that repeat an
  // earlier one: distinct values that match no word (GetWordId gives -1).
  static constexpr int32_t kPlaceholderFirst = INT32_MIN;
  static constexpr int32_t kPlaceholderCount = 1 << 28;

  // Result codes of the file readers.
  static constexpr int32_t kDone = 0;
  static constexpr int32_t kFileError = -1;
  static constexpr int32_t kEmptyName = -2;
  static constexpr int32_t kFileMissing = -3;
  static constexpr int32_t kWrongMagic = -4;
  static constexpr int32_t kCurrentFormat = -10;  // an "AVLF" word-id file
  static constexpr uint32_t kLegacyWordIdMagic = 0x46414E57;  // "WNAF"

  TIContextMS();
  ~TIContextMS();
  TIContextMS(const TIContextMS&) = delete;
  TIContextMS& operator=(const TIContextMS&) = delete;

  // ---- properties ----
  TIWordDictionary* WordDictionary() const { return wordDictionary_; }
  void SetWordDictionary(TIWordDictionary* dictionary) { wordDictionary_ = dictionary; }
  TTypeComponentText TypeComponentText() const { return typeComponentText_; }
  void SetTypeComponentText(TTypeComponentText value) { typeComponentText_ = value; }
  // The model keeps no documents: GetFiles answers nothing and the file
  // table is neither written nor read.
  bool OnlyWords() const { return onlyWords_; }
  void SetOnlyWords(bool value) { onlyWords_ = value; }
  // A second model whose answers GetWords and GetRelationWeight merge in.
  // A child that would make a cycle (this model, or a model whose children
  // lead back to it) is refused: false, and the child stays as it was.
  TIContextMS* ChildIContextMS() const { return child_; }
  bool SetChildIContextMS(TIContextMS* child);

  // Rises with every Clear and Open (a search's new network, a project or a
  // network read again): element addresses taken before a change of it may
  // name other words now.
  uint32_t RebuildCount() const { return rebuilds_; }

  // The model's own parts.
  TIASN& Network() { return *network_; }
  const TIASN& Network() const { return *network_; }
  TIAVLTree& WordIdSet() { return wordIds_; }
  TFilesASN& Files() { return files_; }

  // ---- building (none reports failure) ----
  // Empties the network, the word-id set and the file table and makes the
  // two standard layers again.
  void Clear();
  // A page element for an unknown file id.
  void AddFile(int32_t fileId);
  // A word element (Anchor 0.0: no input, no word-word relations) for an
  // unregistered id.
  void AddWord(int32_t wordId);
  // A word element for every unregistered word of the parse result (Anchor
  // 0.0 for words marked left out, else 1.0).
  void AddWordsSearch(const TParsingText& parsingText);
  // Relations of one title or annotation paragraph to each other and to the
  // page of document `indexFile`.
  void AddTitleMSPage(const TParsingText& parsingText, int32_t paragraph, int32_t indexFile);
  void AddAnnotateMSPage(const TParsingText& parsingText, int32_t paragraph, int32_t indexFile);
  // The address paragraph and the document's own word list: their words'
  // page relations become `weight`.
  void AddUrlMSPage(const TParsingText& parsingText, int32_t paragraph, int32_t indexFile, const TNNKeys& words,
                    float weight);

  // ---- look-ups ----
  // The word element of a word id; -1 when the id is not registered.
  int32_t FindWordElement(int32_t wordId);
  // The word id of a word element; -1 when the index is not a word element
  // or the element holds no word (a placeholder).
  int32_t GetWordId(int32_t element) const;
  void GetFileElements(int32_t fileId, std::vector<int32_t>& elements);
  // The index when it is a page element, else -1.
  int32_t ValidatePageElement(int32_t index) const;
  static bool IsPlaceholder(int32_t value) {
    return int64_t{value} - kPlaceholderFirst < kPlaceholderCount;
  }

  // ---- the word layer's context set ----
  void ClearContextWords();
  // Words related to the pages of the key documents (weight > 0) join it.
  void AddContextWords(const TNNKeys& keyFiles);
  // The key words (weight > 0) join it, and unless onlyKeys their related
  // words too.
  void ActivateWords(const TNNKeys& keyWords, bool onlyKeys);

  // ---- queries ----
  // The words most related to the keys (never a registered key word),
  // strongest first. keyCount: the largest answer wanted on entry, the
  // answer's length on exit.
  void GetWords(const TNNKeys& keyWords, const TNNKeys& keyFiles, int32_t& keyCount, TNNKeys& outList,
                int32_t inhibitionFactor, float threshold);
  // The documents most related to the keys: (file id, score), scores
  // divided by the largest.
  void GetFiles(const TNNKeys& keyWords, const TNNKeys& keyFiles, int32_t& keyCount, TNNKeys& outList,
                int32_t depth);
  // The weight of the relation between two words, the larger of this
  // model's and the child's; the Single 11 x 2^-149 when there is none.
  float GetRelationWeight(int32_t wordId1, int32_t wordId2);
  // Groups the words of the keys into clusters with their documents.
  // countKeyFile is only written to the log.
  void GetClusters(const TNNKeys& keyWords, const TNNKeys& keyFiles, int32_t& countKeyFile, TClusters& outList,
                   int32_t depth, int32_t minFiles);

  // Steps shared by the queries.
  void ActivateKeyWords(const TNNKeys& keys);
  void ActivateKeyFiles(const TNNKeys& keys, bool contextOnly);
  // The active word elements with activation >= threshold, strongest first;
  // an empty active set leaves outList as it was.
  void CollectWords(TNNKeys& outList, float threshold);
  // The documents of the active pages, scored by how many of the counting
  // key words relate to each page; strongest first.
  void CollectFiles(const TNNKeys& keyWords, TNNKeys& outList);
  // Sorts the first `count` entries by weight, largest first (an iterative
  // quicksort; equal weights keep no particular order).
  static void SortByWeight(TNNKeys& list, int32_t count);

  // ---- files ----
  // Writes base.anf (unless OnlyWords), base.anw and base.inn, base being the
  // name without a final ".inn", to temporary files, and replaces the three
  // files only when every part was written; an empty file table then removes
  // a stale base.anf. 0 when the set was replaced, else the failure (logged);
  // the files of an earlier save then stay as they were.
  int32_t Save(std::u16string_view fileName);
  // Reads base.inn, base.anw and (unless OnlyWords) base.anf, then checks
  // that they belong together: word ids that do not match the word elements
  // clear the model (a word-id file that is missing or cannot be read leaves
  // no word ids, a missing network file no network), file ranges outside the
  // page layer or not in rising, non-overlapping page order drop the file
  // table, and a missing base.anf leaves none.
  void Open(std::u16string_view fileName);
  // The context chunk of the oldest project files (five tags: a word
  // dictionary, the phrases, the network, old word ids, the file table):
  // 0, the first failing chunk reader's result, or -1. The model starts
  // empty; what was read is checked as after Open, also after a failure,
  // and a set whose parts do not belong together gives -1.
  int32_t LoadFromProjectStream(TMemoryStream& stream);
  // An old "WNAF" word-id file: -2 empty name, -3 no such file, -1 cannot be
  // opened, -10 an "AVLF" file (not read here), -4 any other magic, else the
  // result of LoadLegacyWordIds.
  int32_t LoadWordIdsFile(std::u16string_view fileName);
  // The same over a stream holding the file from its position (after the
  // file was opened): -10, -4, or the result of LoadLegacyWordIds.
  int32_t LoadWordIdsFromStream(TStream& stream);
  // The word ids of an old file's body (from the stream's position): 0, or
  // -1 when reading fails (the ids read so far stay).
  int32_t LoadLegacyWordIds(TStream& stream);
  // The word id of an old entry: kind -12 is a phrase, any other kind a word
  // of dictionary file `kind` (through the phrase dictionary); -1 without a
  // dictionary. False when WordDictionary is not a phrase dictionary.
  bool MapLegacyWordId(int16_t kind, int32_t value, int32_t& wordId);

 private:
  void CreateStandardLayers();
  TASNLayer* WordLayer() { return network_->GetLayer(kWordLayer); }
  TASNLayer* PageLayer() { return network_->GetLayer(kPageLayer); }
  int32_t WordElementCount() const;
  float Anchor(int32_t layer, int32_t element) const;
  // Adds a word element and registers its id; the element, or -1 when the
  // network has no word layer.
  int32_t NewWordElement(int32_t wordId, float anchor);
  // The element of a word, made when the id is not registered.
  int32_t WordElementOf(int32_t wordId, int16_t flags);
  // The page element of a document for building; -1 when there is none.
  int32_t BuildingPage(int32_t indexFile);
  void AddParagraphRelations(const TParsingText& parsingText, int32_t paragraph, int32_t indexFile,
                             float pageWeight);
  int32_t CountingKeyWords(const TNNKeys& keyWords);
  // Text of a word for the log: the dictionary's word, or the id.
  std::string WordText(int32_t wordId, bool& fromDictionary);
  // After reading: the word ids must match the word elements (else the
  // model is cleared) and the file ranges lie in the page layer (else the
  // file table is dropped). False, with an error logged, when either failed.
  bool CheckOpenedParts(std::string_view operation);
  // The five chunks of an old project's context chunk, in order.
  int32_t ReadProjectChunks(TTagStream& tags);

  std::unique_ptr<TIASN> network_;
  TIWordDictionary* wordDictionary_ = nullptr;
  TIAVLTree wordIds_;
  TFilesASN files_;
  float coBase_ = 0.4f;
  uint16_t coWindow_ = 2;
  TTypeComponentText typeComponentText_ = TTypeComponentText::cText;
  bool onlyWords_ = false;
  TIContextMS* child_ = nullptr;
  uint32_t rebuilds_ = 0;
  std::vector<TIContextMS*> parents_;  // models that have this one as their child

  // Scratch of the building and query steps.
  std::vector<int32_t> sentence_;
  std::vector<int32_t> elements_;
  std::unordered_map<int32_t, int32_t> fileSlots_;
};

// The word layer's budget of a model, set for the scope's life and put back
// however the scope ends. The map's word queries run without it
// (kNoBudget): the budget divides every activation by the summed weight of
// the keys' relations, which on a large project pushes every word under the
// map's cut of 0.01 while it changes no word's rank.
class TWordBudgetScope {
 public:
  // Keeps the budget as it is (put back at the end).
  explicit TWordBudgetScope(TIContextMS& model)
      : layer_(model.Network().GetLayer(TIContextMS::kWordLayer)), saved_(layer_ ? layer_->GetBudget() : 0.0f) {}
  TWordBudgetScope(TIContextMS& model, float budget) : TWordBudgetScope(model) { Set(budget); }
  ~TWordBudgetScope() {
    if (layer_) layer_->SetBudget(saved_);
  }
  TWordBudgetScope(const TWordBudgetScope&) = delete;
  TWordBudgetScope& operator=(const TWordBudgetScope&) = delete;

  void Set(float budget) {
    if (layer_) layer_->SetBudget(budget);
  }

 private:
  TASNLayer* layer_;
  float saved_;
};

}  // namespace kestrune
