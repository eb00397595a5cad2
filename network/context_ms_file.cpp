// The context model's file set: base.inn (the network), base.anw (the
// word-id set) and base.anf (the file table), with the checks that the three
// parts read by Open belong together. Older word-id files are read in
// context_ms_legacy.cpp.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/message.h"
#include "network/context_ms.h"
#include "network/context_ms_internal.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

using namespace context_ms_detail;

namespace {

// The name without a final ".inn" (compared case-sensitively).
std::u16string BaseName(std::u16string_view fileName) {
  constexpr std::u16string_view kNetworkExtension = u".inn";
  if (fileName.size() >= kNetworkExtension.size() &&
      fileName.substr(fileName.size() - kNetworkExtension.size()) == kNetworkExtension) {
    fileName.remove_suffix(kNetworkExtension.size());
  }
  return std::u16string(fileName);
}

std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

}  // namespace

int32_t TIContextMS::Save(std::u16string_view fileName) {
  Trace("start TIContextMS.Save (" + Utf8(fileName) + ")");
  int32_t result = kDone;
  // A part's failure is logged and is the result.
  auto note = [&result](int32_t code, std::u16string_view file) {
    LogFile.Log("TIContextMS.Save: " + Utf8(file) + " not written (" + IntText(code) + ")", 2);
    if (result == kDone) result = code;
  };
  if (fileName.empty()) {
    note(kEmptyName, fileName);
  } else {
    // The three parts belong together: each is written to a temporary file
    // beside its target, and the targets are replaced only when every part
    // was written. Until then the files of the earlier save stay as they were.
    struct Part {
      std::u16string target;
      std::u16string temp;
    };
    std::vector<Part> parts;
    auto write = [&](std::u16string target, const auto& saver) {
      std::u16string temp = platform::CreateTempFileBeside(target);
      if (temp.empty()) {
        note(kFileError, target);
        return false;
      }
      parts.push_back(Part{target, temp});
      const int32_t code = saver(temp);
      if (code != kDone) note(code, target);
      return code == kDone;
    };
    const std::u16string base = BaseName(fileName);
    const std::u16string anf = base + u".anf";
    const bool table = !onlyWords_ && files_.Count() > 0;
    bool written = !table || write(anf, [this](std::u16string_view temp) { return files_.SaveToFile(temp); });
    written = written && write(base + u".anw", [this](std::u16string_view temp) {
                // An empty set is a file with no entry.
                const int32_t code = wordIds_.SaveToFile(temp);
                return code == TIAVLTree::kEmptySet ? kDone : code;
              });
    written = written && write(base + u".inn", [this](std::u16string_view temp) { return network_->SaveToFile(temp); });
    // A folder in a target's place could not be replaced: checked before
    // any target is.
    for (const Part& part : parts) {
      if (written && platform::GetPathInfo(part.target).isFolder) {
        note(kFileError, part.target);
        written = false;
      }
    }
    for (Part& part : parts) {
      if (!written) break;
      if (!platform::ReplaceFile(part.temp, part.target)) {
        note(kFileError, part.target);
        written = false;
      } else {
        part.temp.clear();
      }
    }
    // A file table of an earlier save must not pair with these words.
    if (written && !onlyWords_ && !table && platform::FileExists(anf) && !platform::RemoveFile(anf)) {
      note(kFileError, anf);
    }
    for (const Part& part : parts) {
      if (!part.temp.empty()) platform::RemoveFile(part.temp);
    }
  }
  Trace("TIContextMS.Save end");
  return result;
}

void TIContextMS::Open(std::u16string_view fileName) {
  Trace("start TIContextMS.Open (" + Utf8(fileName) + ")");
  ++rebuilds_;
  if (fileName.empty()) {
    LogFile.Log("TIContextMS.Open: no file name", 2);
  } else {
    const std::u16string base = BaseName(fileName);
    const std::u16string inn = base + u".inn";
    const int32_t network = network_->LoadFromFile(inn);
    if (network == TIASN::kWrongVersion && network_->LoadLegacy(inn) != TIASN::kDone) {
      ShowMessageBox(u"OOO!!!", u"Kestrune Search", platform::kMbOk);
    }
    // Nor may the earlier network stay paired with the new word ids: without
    // a network file the network is emptied (a network read in part already
    // is), and the check below clears the model.
    if (network == TIASN::kFileMissing) {
      network_->Clear();
      LogFile.Log("TIContextMS.Open: " + Utf8(inn) + " is missing; no network", 2);
    }
    // Word ids that could not be read must not stay paired with the new
    // network: the set is emptied, and the check below clears the model.
    const std::u16string anw = base + u".anw";
    int32_t ids = LoadWordIdsFile(anw);
    if (ids == kCurrentFormat) ids = wordIds_.LoadFromFile(anw);
    if (ids != kDone) {
      wordIds_.Clear();
      LogFile.Log("TIContextMS.Open: " + Utf8(anw) + " cannot be read (" + IntText(ids) + "); no word identifiers", 2);
    }
    if (!onlyWords_) {
      // No file table (an empty one is saved as no file) drops the old one.
      const std::u16string anf = base + u".anf";
      const int32_t files = files_.LoadFromFile(anf);
      if (files == TFilesASN::kFileMissing) {
        files_.Clear();
      } else if (files != TFilesASN::kDone) {
        // A table read only in part would leave documents without pages.
        files_.Clear();
        LogFile.Log("TIContextMS.Open: " + Utf8(anf) + " cannot be read (" + IntText(files) + "); no file table", 2);
      }
    }
    CheckOpenedParts("Open");
  }
  Trace("TIContextMS.Open end");
}

bool TIContextMS::CheckOpenedParts(std::string_view operation) {
  const std::string prefix = "TIContextMS." + std::string(operation) + ": ";
  // A network file that could not be read leaves no layer; one of a single
  // layer has no page layer.
  CreateStandardLayers();
  if (network_->LayerCount() == 1) network_->AddLayer(0.0f, kNoBudget);
  const int32_t ids = wordIds_.Count();
  const int32_t elements = WordElementCount();
  if (ids != elements) {
    LogFile.Log(prefix + IntText(ids) + " word identifiers for " + IntText(elements) +
                    " word elements; the model is cleared",
                2);
    Clear();
    return false;
  }
  const TASNLayer* pages = PageLayer();
  const int64_t pageCount = pages ? pages->GetCount() : 0;
  // The ranges lie in the page layer and follow each other in rising page
  // order without overlapping: a page's document is found by a binary search
  // on the first pages.
  int64_t end = INT64_MIN;
  for (int32_t i = 0; i < files_.Count(); ++i) {
    const TFileRange& range = files_.Record(i);
    if (range.First < end) {
      LogFile.Log(prefix + "the file ranges are not in rising page order; the file table is dropped", 2);
      files_.Clear();
      return false;
    }
    end = int64_t{range.First} + std::max(range.Count, 0);
    if (range.Count <= 0) continue;
    if (range.First < 0 || end > pageCount) {
      LogFile.Log(prefix + "file " + IntText(range.FileId) + " lies outside the " + IntText(pageCount) +
                      " page elements; the file table is dropped",
                  2);
      files_.Clear();
      return false;
    }
  }
  return true;
}

}  // namespace kestrune
