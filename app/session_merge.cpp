// The merge of a search's results into the project's documents, the network
// built from all documents, and the hiding of a site's documents.
#include <algorithm>
#include <unordered_set>

#include "app/kestrune_session.h"
#include "app/site_of_url.h"
#include "core/log_file.h"
#include "platform/text.h"
#include "search/page_command_hosts.h"

namespace kestrune {

namespace {

// The page weight of a document at list position p: the engine's first
// results weigh most.
float PageWeight(int32_t position) { return static_cast<float>(0.9 - position * 0.00001); }

std::u16string WidenUtf8(std::string_view bytes) { return platform::Utf8ToUtf16(bytes); }

}  // namespace

bool TKestruneSession::IsCommandAddress(std::string_view url) const {
  return AddressHasPageCommandHost(url) || IsLocalPageCommand(ClassifyPageUrl(url, PageUrlContext()).Row);
}

void TKestruneSession::MergeResults(std::u16string_view queryText) {
  const TMetaSearchList2 results = Run.Engine ? Run.Engine->SearchResults() : TMetaSearchList2();
  if (!results.empty()) {
    // After Undo a download starts a new branch: the undone searches go first.
    DropUndoneSearches();
    IControlKeys& steps = ContentMap.Steps();
    // 1.-3. The query's keys and the items into the documents.
    TNNKeys queryWords;
    GetStepKeys(queryWords, QueryKind());
    Project.MergeResults(results, std::move(queryWords), steps,
                         [this](std::string_view url) { return IsCommandAddress(url); });

    // 4.-6. The network; the hidden sites stay hidden.
    FeedNetwork(queryText, TFeedReason::Search);
    const std::vector<std::string> hidden = Project.HiddenSites;
    HideDocumentsOfSites(hidden);
    Steps.SetHiddenSites(Project.Counters.HiddenSites);
    MarkProjectChanged();
  }
  Project.ProjectJustOpened = false;
}

std::u16string TKestruneSession::FeedPart(std::u16string_view part) {
  // Every line break becomes blanks, one a character (CR LF two).
  std::u16string text;
  text.reserve(part.size() + 6);
  text = part;
  std::replace_if(text.begin(), text.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
  // A lone blank is no text; an empty part would make no paragraph and
  // becomes ". " as every other part ends.
  if (text == u" ") text.clear();
  text += u". \r\n\r\n";
  return text;
}

void TKestruneSession::FeedNetworkAgain() {
  const auto keep = Steps.KeepForward();
  FeedNetwork(GetQueryText(), TFeedReason::Again);
}

void TKestruneSession::FeedNetwork(std::u16string_view queryText, TFeedReason reason) {
  // 1.-2. One text: three parts a document, then the query.
  const int32_t s = static_cast<int32_t>(Project.StepKeys.size()) - 1;
  const int32_t documentCount = static_cast<int32_t>(std::min<size_t>(Project.Documents.size(), INT32_MAX / 4));
  const bool shopTemplate = Config.CurrentEngineTemplate == "amazon";
  auto documentKeys = [this](const TMetaSearchList& document) -> const TNNKeys* {
    const int32_t k = document.QueryNumber;
    return k >= 0 && static_cast<size_t>(k) < Project.StepKeys.size() ? &Project.StepKeys[static_cast<size_t>(k)] : nullptr;
  };
  std::vector<std::u16string> parts;
  parts.reserve(static_cast<size_t>(documentCount) * 3 + 1);
  for (int32_t j = 0; j < documentCount; ++j) {
    const TMetaSearchList& document = Project.Documents[static_cast<size_t>(j)];
    parts.push_back(FeedPart(document.Title));
    std::u16string annotation = document.Annotation;
    if (shopTemplate) {
      annotation += u" ";
      if (const TNNKeys* keys = documentKeys(document)) {
        for (const TNNKey& key : *keys) annotation += u" " + ContentMapGetKeyName(key.Id);
      }
    }
    parts.push_back(FeedPart(annotation));
    parts.push_back(FeedPart(WidenUtf8(document.Url)));
  }
  parts.push_back(FeedPart(queryText));
  const int32_t expected = static_cast<int32_t>(parts.size());
  auto joined = [&parts] {
    size_t length = 0;
    for (const std::u16string& part : parts) length += part.size();
    std::u16string text;
    text.reserve(length);
    for (const std::u16string& part : parts) text += part;
    return text;
  };

  // 3. One parse. Every part is one line with a full stop, so it makes one
  // paragraph; should the parser see it otherwise, each part is parsed by
  // itself and one that is not a single paragraph becomes ". ".
  TextParsing.Parse(joined());
  if (TextParsing.ParsingText().ParagraphCount != expected) {
    LogFile.Log("FeedNetwork: " + std::to_string(TextParsing.ParsingText().ParagraphCount) + " paragraphs for " +
                    std::to_string(expected) + " parts; the parts are checked one by one",
                1);
    for (std::u16string& part : parts) {
      TextParsing.Parse(part);
      if (TextParsing.ParsingText().ParagraphCount != 1) part = u". \r\n\r\n";
    }
    TextParsing.Parse(joined());
  }
  TParsingText& parse = TextParsing.ParsingText();
  const int32_t paragraphs = parse.ParagraphCount;
  std::u16string scopeText;
  for (int32_t k = 0; k < Project.Scope.Count(); ++k) scopeText += u" " + Project.Scope.GetQueryText(k);

  // 4.-5. The words' forms and phrases, of the documents and the scopes.
  FormsStore.Clear();
  WordDictionary.FindPhrases(parse);
  FormsStore.MergeForms(parse);
  if (Project.Scope.Count() > 0) {
    ITextParsing1.Parse(scopeText);
    WordDictionary.FindPhrases(ITextParsing1.ParsingText());
    FormsStore.TakeForms(ITextParsing1.ParsingText());
    ITextParsing1.Clear();
  }

  // 6. The query's keys anew from its own paragraph. The query text holds
  // the query words and the excluded words after "-" in either view: the
  // keys are written in the query view's form, and the excluded-words view
  // trades them back, so that each word keeps its side and this view's
  // weight; an opened project keeps the StepKeys its file stored. Fed again
  // for another reason, the network takes only the query's forms: the
  // step's keys, the stop words and StepKeys stay.
  if (!queryText.empty() && paragraphs > 3 * documentCount) {
    TParsingText query;
    CopyParsingParagraphs(parse, 3 * documentCount, paragraphs - 3 * documentCount, query);
    query.Variants = parse.Variants;
    query.VariantCount = parse.VariantCount;
    FormsStore.TakeForms(query);
    if (reason != TFeedReason::Again) SetQueryKeysFromFeed(query, parse, reason == TFeedReason::Search ? s : -1);
  }

  // 7.-8. The network: each document's three paragraphs, then the scopes'
  // words.
  IContextMS1.Clear();
  const TNNKeys noKeys;
  for (int32_t j = 0; j < documentCount; ++j) {
    const TMetaSearchList& document = Project.Documents[static_cast<size_t>(j)];
    IContextMS1.AddFile(j);
    if (3 * j + 2 >= paragraphs) continue;
    IContextMS1.AddTitleMSPage(parse, 3 * j, j);
    IContextMS1.AddAnnotateMSPage(parse, 3 * j + 1, j);
    const TNNKeys* keys = documentKeys(document);
    IContextMS1.AddUrlMSPage(parse, 3 * j + 2, j, keys ? *keys : noKeys, PageWeight(document.Position));
  }
  for (int32_t k = 0; k < Project.Scope.Count(); ++k) {
    for (int32_t i = 0; i < Project.Scope.GetIncludedCount(k); ++i) IContextMS1.AddWord(Project.Scope.GetIncludedKey(k, i).Id);
    for (int32_t i = 0; i < Project.Scope.GetExcludedCount(k); ++i) IContextMS1.AddWord(Project.Scope.GetExcludedKey(k, i).Id);
  }
}

void TKestruneSession::SetQueryKeysFromFeed(TParsingText& query, TParsingText& parse, int32_t stepKeysEntry) {
  const bool excludedView = ContentMap.ExcludedMode();
  if (excludedView) ContentMap.SetExcludedMode(false);
  IControlKeys& steps = ContentMap.Steps();
  for (int32_t kind : {kKindQuery, kKindExcluded, kKindHovered}) steps.ClearKind(kind, true);
  std::u16string error;
  Entry.wordsToIndex(query, true, error);
  TNNKeys queryWords;
  GetStepKeys(queryWords, QueryKind());
  UnstopQueryWords(queryWords, parse);
  Project.SetStepKeys(stepKeysEntry, std::move(queryWords));
  if (excludedView) {
    ContentMap.SetExcludedMode(true);
    SwapQueryAndExcluded();
  }
}

void TKestruneSession::TakeOffStopWords(std::u16string_view text, int32_t wordId, std::unordered_set<int32_t>& words) {
  if (text.empty()) return;
  const std::u16string lower = platform::WideLowerCase(text);
  TWordVariant hit;
  if (WordDictionary.FindFirst(lower, hit, 0) <= 0) return;
  for (int32_t id = hit.WordIndex; id >= 0; id = WordDictionary.FindNext(hit)) {
    words.insert(id);
    if (TWDWord* word = WordDictionary.GetWord(id)) {
      word->SetFlags(static_cast<uint16_t>(word->GetFlags() & ~TWDWord::kFlagMark));
    }
  }
  // The list holds a word once, in any letter case.
  if (Project.RemoveStopWord(lower)) RecordStopWordTakenOff(wordId);
}

void TKestruneSession::RecordStopWordTakenOff(int32_t wordId) {
  if (wordId < 0 || wordId >= kPhraseBase) return;
  Steps.NoteStopWordTakenOff(wordId);
}

void TKestruneSession::UnstopQueryWords(const TNNKeys& keys, TParsingText& parse) {
  std::unordered_set<int32_t> words;
  for (const TNNKey& key : keys) TakeOffStopWords(ContentMapGetKeyName(key.Id), key.Id, words);
  if (words.empty() || !parse.Words) return;
  for (int32_t w = 0; w < parse.WordCount; ++w) {
    TParsingWord& word = parse.Word(w);
    bool query = words.count(word.WordId) != 0;
    for (int32_t v = 0; !query && v < word.VariantCount && parse.Variants; ++v) {
      query = words.count(parse.Variant(word.FirstVariant + v).WordIndex) != 0;
    }
    if (query) word.Flags = static_cast<int16_t>(word.Flags & ~TParsingWord::kLeftOut);
  }
}

void TKestruneSession::HideSiteDocuments(std::string_view site) { HideDocumentsOfSites({std::string(site)}); }

void TKestruneSession::HideDocumentsOfSites(const std::vector<std::string>& sites) {
  if (sites.empty()) return;
  Project.HideDocumentsOfSites(sites, ContentMap.Steps());
  TNNKeys documentKeys;
  GetStepKeys(documentKeys, kKindDocuments);
  IContextMS1.ClearContextWords();
  IContextMS1.AddContextWords(documentKeys);
}

}  // namespace kestrune
