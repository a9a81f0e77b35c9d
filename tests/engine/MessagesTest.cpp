// The system's own texts, pinned byte for byte: every other test takes them
// from the program's table, so a slip in that table would pass them all.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "engine/Messages.h"

namespace korimo::test {
namespace {

TEST(MessagesTest, TheTableHoldsTheSystemsTextsExactly) {
  const std::pair<const char*, const char*> kTexts[] = {
      {msg::kAppTitle, "Korimo"},
      {msg::kCannotRead, "このデータは読み込めません。"},
      {msg::kCannotLoad, "データがロードできません。"},
      {msg::kCannotSave, "データがセーブできません。"},
      {msg::kNoImageToSave, "画像データがないためセーブできません。"},
      {msg::kLoadImageFirst, "画像データを先に読み込んでください。"},
      {msg::kReplaceSound, "ロード済みの音声データとメモがなくなります。よろしいですか。"},
      {msg::kSoundNameTooLong, "音声データファイル名が長すぎます。"},
      {msg::kSoundDoesNotFit, "音声データが画像データに収まりません。"},
      {msg::kCannotSaveTemp, "テンポラリデータがセーブできません。"},
      {msg::kCannotPlay, "音声データがないため再生できません。"},
      {msg::kMemoNameTooLong, "テキストファイル名が長すぎます。"},
      {msg::kMemoTooLong, "メモが長すぎます。"},
      {msg::kNoRoomForMemo, "空きがないため、メモ入力はできません。"},
      {msg::kPasswordTooLong, "パスワードは半角８文字以内で入力してください。"},
      {msg::kAlreadyRunning, "すでに起動済みです"},
      {msg::kUnsavedCarrier, "音声合成画像が保存されていません。保存しますか。"},
      {msg::kAlreadySynthesized, "すでに合成済みです。"},
      {msg::kLoadBothToSynthesize, "画像データと音声データをロードしてから合成してください。"},
      {msg::kLoadBothForMemo, "画像データと音声データをロードしてからメモ入力してください。"},
      {msg::kLoadSound, "音声データをロードしてください。"},
      {msg::kLoadCarrier, "音声付画像データをロードしてください。"},
      {msg::kNoSysInfo, "現時点ではｼｽﾃﾑ情報を使用できません"},
      {msg::kNoSound, "音声なし"},
      {msg::kHasSound, "音声あり"},
      {msg::kHasLockedSound, "パスワード付音声あり"},
      {msg::kSynthesisDone, "合成完了"},
  };
  for (const auto& [text, expected] : kTexts) EXPECT_EQ(std::string(text), expected);
}

}  // namespace
}  // namespace korimo::test
