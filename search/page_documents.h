// TPageDocuments: the documents of a result page, read where they are kept.
//
// A view over two arrays it does not own: the project's documents and the
// page's entries, each entry the index of its document, in page order. The
// arrays are read at every access, so a document changed after the page was
// ordered is read as it is now, and nothing is copied however many documents
// the page lists. An entry whose index lies outside the documents gives no
// document. Either array may be absent: the view is then empty. The arrays
// must outlive the view; it is copied freely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/meta_search_list.h"

namespace kestrune {

class TPageDocuments {
 public:
  TPageDocuments() = default;
  TPageDocuments(const std::vector<TMetaSearchList>* documents, const std::vector<int32_t>* ids)
      : documents_(documents), ids_(documents ? ids : nullptr) {}

  // The number of entries, documents or not.
  size_t size() const { return ids_ ? ids_->size() : 0; }
  bool empty() const { return size() == 0; }
  // The index of entry e's document; -1 for no entry.
  int32_t Id(size_t e) const { return ids_ && e < ids_->size() ? (*ids_)[e] : -1; }
  // The document of entry e; null for no entry or an index outside the
  // documents.
  const TMetaSearchList* Entry(size_t e) const {
    const int32_t id = Id(e);
    return id >= 0 && static_cast<size_t>(id) < documents_->size() ? &(*documents_)[static_cast<size_t>(id)]
                                                                    : nullptr;
  }
  // The document of entry e; an empty record where Entry gives null.
  const TMetaSearchList& operator[](size_t e) const {
    static const TMetaSearchList kNone;
    const TMetaSearchList* document = Entry(e);
    return document ? *document : kNone;
  }

 private:
  const std::vector<TMetaSearchList>* documents_ = nullptr;
  const std::vector<int32_t>* ids_ = nullptr;
};

}  // namespace kestrune
