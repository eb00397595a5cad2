// What the context model's fuzz targets do with a model after a reader ran:
// look-ups over every word id and every file range, and a round of queries,
// so that whatever the reader left is walked.
#pragma once

#include <cstdint>
#include <vector>

#include "network/context_ms.h"

namespace kestrune::fuzz {

inline void ExerciseModel(TIContextMS& model) {
  TNNKeys keyWords;
  const int32_t ids = model.WordIdSet().Count();
  for (int32_t i = 0; i < ids && i < 64; ++i) {
    const auto id = static_cast<int32_t>(model.WordIdSet().GetItem(i));
    model.GetWordId(model.FindWordElement(id));
    if (keyWords.size() < 3) keyWords.push_back(TNNKey{id, 1.0f});
  }
  TNNKeys keyFiles;
  for (int32_t r = 0; r < model.Files().Count() && r < 64; ++r) {
    const TFileRange& range = model.Files().Record(r);
    model.Files().FileOfElement(range.First);
    if (keyFiles.size() < 2) keyFiles.push_back(TNNKey{range.FileId, 1.0f});
  }
  model.ClearContextWords();
  model.AddContextWords(keyFiles);
  model.ActivateWords(keyWords, false);
  int32_t count = 20;
  TNNKeys out;
  model.GetWords(keyWords, keyFiles, count, out, 7, 0.01f);
  count = 20;
  model.GetFiles(keyWords, {}, count, out, 3);
  int32_t countKeyFile = 10;
  TClusters clusters;
  model.GetClusters(keyWords, {}, countKeyFile, clusters, 3, 0);
  if (keyWords.size() >= 2) model.GetRelationWeight(keyWords[0].Id, keyWords[1].Id);
}

}  // namespace kestrune::fuzz
