#include "app/bug_report.h"

#include <zlib.h>

#include <array>
#include <vector>

#include "app/run_temp_folder.h"
#include "core/frame.h"
#include "core/log_file.h"
#include "core/message.h"
#include "core/message_strings.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kestrune {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr int kGzipWindowBits = 15 + 16;  // a 32 KB window, gzip framing
constexpr int kMemLevel = 8;               // zlib's default
constexpr int kOsUnix = 3;

// A deflate stream that is always ended.
class TDeflater {
 public:
  TDeflater() = default;
  ~TDeflater() {
    if (initialised_) deflateEnd(&stream_);
  }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  bool Init(std::string_view storedName) {
    if (deflateInit2(&stream_, 9, Z_DEFLATED, kGzipWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    initialised_ = true;
    name_.assign(storedName.begin(), storedName.end());
    name_.push_back('\0');
    header_.text = 0;
    header_.time = 0;
    header_.os = kOsUnix;
    header_.extra = Z_NULL;
    header_.name = reinterpret_cast<Bytef*>(name_.data());
    header_.comment = Z_NULL;
    header_.hcrc = 0;
    return deflateSetHeader(&stream_, &header_) == Z_OK;
  }

  // Deflates `size` bytes (Z_FINISH at the end) and writes what comes out.
  bool Put(const void* data, size_t size, bool finish, TStream& out) {
    stream_.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    stream_.avail_in = static_cast<uInt>(size);
    std::array<Bytef, kChunk> buffer;
    int status = Z_OK;
    do {
      stream_.next_out = buffer.data();
      stream_.avail_out = static_cast<uInt>(buffer.size());
      status = deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
      if (status == Z_STREAM_ERROR) return false;
      const size_t produced = buffer.size() - stream_.avail_out;
      if (produced > 0 && out.Write(buffer.data(), static_cast<int64_t>(produced)) != static_cast<int64_t>(produced)) {
        return false;
      }
    } while (stream_.avail_out == 0);
    return !finish || status == Z_STREAM_END;
  }

 private:
  z_stream stream_ = {};
  gz_header header_ = {};
  std::vector<char> name_;  // the header points into it until the end
  bool initialised_ = false;
};

}  // namespace

int32_t GzipFile(std::u16string_view source, std::u16string_view target, std::string_view storedName,
                 std::u16string* failedPath) {
  auto fail = [&](int32_t result, std::u16string_view path) {
    if (failedPath) *failedPath = path;
    return result;
  };
  // A regular file only: a pipe or a device under the log's name would block
  // or never end.
  platform::NativeFile input;
  if (!platform::RegularFileExists(source) || !input.Open(source, platform::NativeFile::Access::kRead, false, false)) {
    return fail(gzSourceError, source);
  }
  const int32_t result = SaveFileAtomically(target, gzTargetError, [&](TStream& out) -> int32_t {
    TDeflater deflater;
    if (!deflater.Init(storedName)) return gzTargetError;
    std::vector<char> chunk(kChunk);
    for (;;) {
      const int64_t got = input.Read(chunk.data(), static_cast<int64_t>(chunk.size()));
      if (got < 0) return gzSourceError;
      if (!deflater.Put(chunk.data(), static_cast<size_t>(got), got == 0, out)) return gzTargetError;
      if (got == 0) return gzOk;
    }
  });
  if (result == gzSourceError) return fail(result, source);
  if (result != gzOk) return fail(gzTargetError, target);
  return gzOk;
}

std::u16string BugReportMailbox() { return message_texts::MakerMailbox(u"bugs"); }

std::u16string SendBugReport(const std::function<void(ISendMail&)>& send) {
  std::u16string archive;
  const std::u16string log = LogFile.FileName();
  const std::u16string folder = RunTempFolder();
  std::u16string failed;
  if (folder.empty()) {
    failed = kBugReportFileName;
  } else if (GzipFile(log, folder + kBugReportFileName, kBugReportStoredName, &failed) == gzOk) {
    archive = folder + kBugReportFileName;
  }
  if (archive.empty()) {
    LogFile.Log("Bug report: " + platform::Utf16ToUtf8(failed) + " cannot be opened; the mail goes without the log",
                mtWarning);
    ShowMessageBox(kCantOpenText + failed, MessageStrings.smMes, platform::kMbOk | platform::kMbIconError);
  }
  ISendMail mail;
  mail.SetSubject(kBugReportSubject);
  mail.Setmailto(BugReportMailbox());
  if (!archive.empty()) mail.files().push_back(archive);
  if (send) {
    send(mail);
  } else {
    mail.Send();
  }
  return archive;
}

}  // namespace kestrune
