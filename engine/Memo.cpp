#include "engine/Memo.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/CarrierIO.h"
#include "engine/CarrierLayout.h"
#include "engine/TextFields.h"
#include "engine/Messages.h"
#include "engine/RuntimeError.h"
#include "platform/Cp932.h"
#include "platform/Platform.h"

namespace Korimocom {

namespace {

void Refuse(const char* message) {
  korimo::platform::Notify(message);
  OperationFailed = 1;
}

}  // namespace

void PutMemo(const std::string& memoText, const std::string& fileName) {
  const std::string name = korimo::cp932::FromUtf8(fileName);
  if (name.size() >= 256) return Refuse(korimo::msg::kMemoNameTooLong);
  OperationFailed = 0;

  // The memo must read back as typed: a character CP932 lacks, or a byte
  // that is no UTF-8, would come back as "?".
  const std::optional<std::string> exact = korimo::cp932::FromUtf8Exact(memoText);
  if (!exact) return Refuse(korimo::msg::kMemoHasInvalidChars);
  const std::string& text = *exact;
  const std::size_t length = text.size();
  if (length > static_cast<std::size_t>(MemoCapacity < 0 ? 0 : MemoCapacity))
    return Refuse(korimo::msg::kMemoTooLong);
  // The record must fit the sound area whatever MemoCapacity claims.
  using korimo::layout::kMemoHeadBytes;
  if (SoundSize < 0 || static_cast<std::size_t>(SoundSize) + kMemoHeadBytes + name.size() + length > SoundBytes.size())
    return Refuse(korimo::msg::kMemoTooLong);

  Byte* at = SoundBytes.data() + SoundSize;
  korimo::layout::WriteMemoHead(at, {static_cast<std::uint32_t>(length), name.size()});
  std::memcpy(at + kMemoHeadBytes, name.data(), name.size());
  std::memcpy(at + kMemoHeadBytes + name.size(), text.data(), length);
  MemoFileName = fileName;
  MemoText = memoText;
}

namespace {

// Where the memo record of the last extraction lies.
struct Record {
  const Byte* at = nullptr;  // its first byte in SoundBytes
  std::size_t nameBytes = 0;
  Long length = 0;
};

std::optional<Record> FindRecord() {
  if (CarrierKind != 1 || SoundSize < 0) return std::nullopt;
  // Only a record that lies within what the extraction really read is a memo.
  const std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(std::max<Long>(SoundBytesRead, 0)),
                                                  SoundBytes.size());
  const auto at = static_cast<std::size_t>(SoundSize);
  if (at + korimo::layout::kMemoHeadBytes > limit) return std::nullopt;
  const Byte* p = SoundBytes.data() + at;
  const korimo::layout::MemoHead head = korimo::layout::ReadMemoHead(p);
  const auto L = static_cast<Long>(head.textBytes);
  if (L <= 0) return std::nullopt;
  if (at + korimo::layout::kMemoHeadBytes + head.nameBytes + static_cast<std::size_t>(L) > limit) return std::nullopt;
  return Record{p, head.nameBytes, L};
}

// The longest start of `text` (CP932) of at most `limit` bytes that ends
// between two characters.
std::size_t CharacterPrefix(const Byte* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  std::size_t i = 0;
  while (i < limit) {
    const Byte b = text[i];
    const std::size_t width = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC) ? 2 : 1;
    if (i + width > limit) break;
    i += width;
  }
  return i;
}

}  // namespace

Long GetMemo(std::string& fileName, std::string& memoText) {
  return GetMemo(fileName, memoText, static_cast<std::size_t>(-1));
}

Long GetMemo(std::string& fileName, std::string& memoText, std::size_t textLimit) {
  fileName.clear();
  memoText.clear();
  const std::optional<Record> r = FindRecord();
  if (!r) return 0;
  const Byte* name = r->at + korimo::layout::kMemoHeadBytes;
  const Byte* text = name + r->nameBytes;
  fileName = BytesToString(name, r->nameBytes);
  memoText = BytesToString(text, CharacterPrefix(text, static_cast<std::size_t>(r->length), textLimit));
  return r->length;
}

Long MemoLength() {
  const std::optional<Record> r = FindRecord();
  return r ? r->length : 0;
}

}  // namespace Korimocom
