#include "language/parsing_text.h"

namespace kestrune {

void TParsingText::EnsureTables() {
  if (!Variants) Variants = std::make_shared<TParsingVariants>();
  if (!Words) Words = std::make_shared<TParsingWords>();
  if (!Sentences) Sentences = std::make_shared<TParsingSentences>();
  if (!Paragraphs) Paragraphs = std::make_shared<TParsingParagraphs>();
}

void ClearParsingText(TParsingText& text) {
  text.Variants.reset();
  text.Words.reset();
  text.Sentences.reset();
  text.Paragraphs.reset();
  text.VariantCount = 0;
  text.WordCount = 0;
  text.SentenceCount = 0;
  text.ParagraphCount = 0;
  text.Spare = 0;
}

}  // namespace kestrune
