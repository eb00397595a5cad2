// EngineWeb: reading an engine template.
#include <algorithm>
#include <cerrno>
#include <charconv>

#include "core/errors.h"
#include "core/ini_bath.h"
#include "core/log_file.h"
#include "platform/files.h"
#include "platform/text.h"
#include "search/engine_web.h"
#include "search/query_url.h"

namespace kestrune {

namespace {

// A template fault: the status and the error text it leaves.
struct TemplateError {
  int32_t status;
  std::string text;
};

// "Mistake " + the last system error number.
std::string Mistake(int error) { return "Mistake " + std::to_string(error); }

int32_t ParseTemplateInteger(const std::string& value) {
  int32_t result = 0;
  const char* first = value.data();
  const char* last = value.data() + value.size();
  if (first != last && *first == '+') ++first;
  const auto [end, ec] = std::from_chars(first, last, result);
  if (first == last || ec != std::errc() || end != last) throw TParseHTMLExcept("not a number: " + value);
  return result;
}

// The number of values of a list key (up to the first empty one); a line
// that fills all 32 values is refused.
int32_t ListLength(const TIniBath::TArrayValue& values) {
  if (!values[TIniBath::kMaxValues].empty()) throw TParseHTMLExcept("too many values");
  int32_t n = 0;
  while (n + 1 < TIniBath::kMaxValues && !values[static_cast<size_t>(n + 1)].empty()) ++n;
  return n;
}

bool IsSettingsSection(const std::string& section) { return section == "settings"; }
bool IsDisplaySection(const std::string& section) { return section == "display name" || section == "general"; }

std::string ReadSecurityToken(const TIniBath::TArrayValue& values) {
  const platform::HKEY root = RegistryRootFromName(values[1]);
  if (root == 0) return {};
  try {
    platform::SettingsStore store;
    store.SetRootKey(root);
    if (!store.OpenKeyReadOnly(values[2])) return {};
    if (store.GetDataType(values[3]) != platform::RegDataType::kString) return {};
    return store.ReadString(values[3]);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

platform::HKEY RegistryRootFromName(std::string_view text) {
  if (text == "HKEY_CLASSES_ROOT") return platform::kHKeyClassesRoot;
  if (text == "HKEY_CURRENT_USER") return platform::kHKeyCurrentUser;
  if (text == "HKEY_LOCAL_MACHINE") return platform::kHKeyLocalMachine;
  if (text == "HKEY_USERS") return platform::kHKeyUsers;
  if (text == "HKEY_PERFORMANCE_DATA") return platform::kHKeyPerformanceData;
  if (text == "HKEY_CURRENT_CONFIG") return platform::kHKeyCurrentConfig;
  if (text == "HKEY_DYN_DATA") return platform::kHKeyDynData;
  return 0;
}

bool EngineWeb::LoadTemplate(std::string_view name) {
  if (Busy()) return false;
  ClearSettings();
  LoadSettings(platform::Utf8ToUtf16(name));
  TEngineTemplate& t = template_;
  const size_t comments = std::min(t.BeginItemCommentTag.size(), t.EndItemCommentTag.size());
  t.BeginItemCommentTag.resize(comments);
  t.EndItemCommentTag.resize(comments);
  t.CommentPairCount = static_cast<int32_t>(comments);
  const size_t annotations = std::min(t.BeginItemAnnotationTag.size(), t.EndItemAnnotationTag.size());
  t.BeginItemAnnotationTag.resize(annotations);
  t.EndItemAnnotationTag.resize(annotations);
  t.AnnotationPairCount = static_cast<int32_t>(annotations);
  return true;
}

void EngineWeb::ClearSettings() {
  status_ = kStatusOk;
  errorText_.clear();
  templateFault_ = TTemplateFault{};
  template_ = TEngineTemplate{};
  textBeforeList_.clear();
  textAfterList_.clear();
  pageQuota_ = 0;
  parser_->XmlMode = false;
}

bool EngineWeb::ParseTemplateTag(std::string_view value, TAttributesTag& target) {
  parser_->Clear();
  parser_->Parse(value);
  if (parser_->TagCount < 1) return false;
  target = parser_->Tags[0];
  target.Attributes.resize(target.AttributeCount);
  return true;
}

void EngineWeb::LoadSettings(std::u16string_view name) {
  const std::string engine = platform::Utf16ToUtf8(name);
  TEngineTemplate& t = template_;
  bool nameOk =
      !engine.empty() && engine.find_first_of("/\\") == std::string::npos && engine.find("..") == std::string::npos;
  const std::u16string fileName = platform::ProgramFolder() + u"templates/web/" + std::u16string(name) + u".ini";
  // Opens the file; a name that could leave the folder is a missing template.
  auto open = [&](TIniBath& ini) {
    if (!nameOk) {
      errno = ENOENT;
      return false;
    }
    ini.Open(fileName);
    ini.SetQuoteMode(true);
    return ini.Status() == TIniBath::kStatusOpened;
  };
  auto missingError = [] {
    const int error = platform::LastError();
    return error != 0 ? error : ENOENT;
  };
  auto tagPattern = [&](const std::string& value, TAttributesTag& target) {
    if (!ParseTemplateTag(value, target)) {
      throw TemplateError{kStatusTemplate,
                          Mistake(platform::LastError()) + ".Wrong file template for engine " + engine};
    }
  };
  auto tagList = [&](const TIniBath::TArrayValue& values, std::vector<TAttributesTag>& list) {
    const int32_t n = std::max(ListLength(values), 1);  // value 1 is always parsed
    for (int32_t i = 1; i <= n; ++i) tagPattern(values[static_cast<size_t>(i)], list.emplace_back());
  };

  // The line being read (from 1 in each pass; 0 before the first) and its
  // key: where a fault of the reading stands.
  int32_t lineNumber = 0;
  std::string lineKey;
  try {
    try {
      // First pass: only the response type.
      {
        TIniBath ini;
        if (!open(ini)) {
          throw TemplateError{kStatusTemplate,
                              Mistake(missingError()) + ". Error with XML. No template for engine " + engine};
        }
        while (ini.ReadLine()) {
          ++lineNumber;
          if (!ini.ParseLine()) continue;
          if (IsSettingsSection(AsciiLower(ini.Section())) && AsciiLower(ini.Key()) == "responsetype" &&
              AsciiLower(ini.Values()[1]) == "xml") {
            t.XmlMode = true;
            break;
          }
        }
      }
      parser_->XmlMode = t.XmlMode;

      // Second pass: everything else.
      lineNumber = 0;
      TIniBath ini;
      if (!open(ini)) {
        throw TemplateError{kStatusTemplate, Mistake(missingError()) + ".No template for engine " + engine};
      }
      while (ini.ReadLine()) {
        ++lineNumber;
        lineKey.clear();
        if (!ini.ParseLine()) continue;
        lineKey = ini.Key();
        const std::string section = AsciiLower(ini.Section());
        const std::string key = AsciiLower(ini.Key());
        const TIniBath::TArrayValue& v = ini.Values();
        if (IsSettingsSection(section)) {
          if (key == "mainquery") {
            t.MainQuery = v[1];
          } else if (key == "nextquery") {
            t.NextQuery = v[1];
          } else if (key == "counturlonsite" || key == "urlspersiteresponse") {
            const int32_t n = ListLength(v);
            for (int32_t i = 1; i <= n; ++i) {
              const int32_t count = ParseTemplateInteger(v[static_cast<size_t>(i)]);
              if (count <= 0) throw TParseHTMLExcept("a page count must be positive");
              t.CountUrlOnSite.push_back(count);
            }
          } else if (key == "format") {
            t.Format = AsciiLower(v[1]);
          } else if (key == "begintag" || key == "beginitemslisttag") {
            tagPattern(v[1], t.BeginItemsListTag);
          } else if (key == "endtag" || key == "enditemslisttag") {
            tagPattern(v[1], t.EndItemsListTag);
          } else if (key == "tagbegintitleintemplate" || key == "beginitemtitletag") {
            tagPattern(v[1], t.BeginItemTitleTag);
          } else if (key == "tagendtitleintemplate" || key == "enditemtitletag") {
            tagPattern(v[1], t.EndItemTitleTag);
          } else if (key == "firsttag" || key == "beginitemtag") {
            tagPattern(v[1], t.BeginItemTag);
          } else if (key == "lasttag" || key == "enditemtag") {
            tagPattern(v[1], t.EndItemTag);
          } else if (key == "tagbeginurl" || key == "beginitemurltag") {
            tagPattern(v[1], t.BeginItemURLTag);
          } else if (key == "tagendurl" || key == "enditemurltag") {
            tagPattern(v[1], t.EndItemURLTag);
          } else if (key == "beginstrwithurl") {
            t.BeginStrWithUrl = AsciiLower(v[1]);
          } else if (key == "endstrwithurl") {
            t.EndStrWithUrl = AsciiLower(v[1]);
          } else if (key == "beginitemannotationtag") {
            tagList(v, t.BeginItemAnnotationTag);
          } else if (key == "enditemannotationtag") {
            tagList(v, t.EndItemAnnotationTag);
          } else if (key == "beginitemcommenttag") {
            tagList(v, t.BeginItemCommentTag);
          } else if (key == "enditemcommenttag") {
            tagList(v, t.EndItemCommentTag);
          } else if (key.starts_with("macros")) {
            TMacros macro;
            macro.Name = key;
            macro.Number = ParseTemplateInteger(v[1]);
            tagPattern(v[2], macro.BeginTag);
            if (v[3].starts_with("<")) {
              tagPattern(v[3], macro.EndTag);
            } else {
              macro.Text = platform::Utf8ToUtf16(v[3]);
            }
            t.Macros.push_back(std::move(macro));
          } else if (key == "numberimage") {
            t.NumberImage = ParseTemplateInteger(v[1]);
          } else if (key == "stopstring") {
            t.StopString = v[1];
          } else if (key == "securitytoken") {
            t.SecurityToken = ReadSecurityToken(v);
          }
        } else if (IsDisplaySection(section)) {
          if (key == "hostname") {
            t.HostName = v[1];
          } else if (key == "hideplaintexturl") {
            t.HidePlainTextUrl = AsciiLower(v[1]) == "true";
          } else if (key == "disabledomainremoval") {
            t.DisableDomainRemoval = AsciiLower(v[1]) == "true";
          }
        }
      }
    } catch (const TemplateError&) {
      throw;
    } catch (const std::exception&) {
      throw TemplateError{kStatusError, "Wrong file template for engine " + engine};
    }
  } catch (const TemplateError& error) {
    status_ = error.status;
    errorText_ = error.text;
    // Before its first line the file itself could not be read.
    templateFault_ = lineNumber > 0 ? TTemplateFault{TTemplateFault::TKind::BadValue, lineKey, lineNumber}
                                    : TTemplateFault{TTemplateFault::TKind::Unreadable, {}, 0};
    LogFile.Log(error.text);
    LogFile.Log(error.status == kStatusError ? "Error in procedure EngineWeb.LoadSettings "
                                             : "Error in EngineWeb.LoadSettings ");
  }

  if (!t.SecurityToken.empty()) {
    t.MainQuery = ReplacePlaceholders(t.MainQuery, {{"$Security_Token", t.SecurityToken, true}});
    t.NextQuery = ReplacePlaceholders(t.NextQuery, {{"$Security_Token", t.SecurityToken, true}});
  }
  if (t.HostName.empty()) t.HostName = engine;
}

}  // namespace kestrune
