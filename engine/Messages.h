// Every text the program shows to the user, defined once.
#pragma once

namespace korimo::msg {

inline constexpr char kAppTitle[] = "Korimo";

// Loading and saving.
inline constexpr char kCannotRead[] = "このデータは読み込めません。";
inline constexpr char kCannotLoad[] = "データがロードできません。";
inline constexpr char kCannotSave[] = "データがセーブできません。";
inline constexpr char kNoImageToSave[] = "画像データがないためセーブできません。";
inline constexpr char kLoadImageFirst[] = "画像データを先に読み込んでください。";
inline constexpr char kReplaceSound[] = "ロード済みの音声データとメモがなくなります。よろしいですか。";
inline constexpr char kSoundNameTooLong[] = "音声データファイル名が長すぎます。";
inline constexpr char kSoundDoesNotFit[] = "音声データが画像データに収まりません。";
inline constexpr char kCannotSaveTemp[] = "テンポラリデータがセーブできません。";
inline constexpr char kCannotPlay[] = "音声データがないため再生できません。";
// A sound made smaller to fit: %1 the channels word, %2 the rate in kHz,
// %3 the bits per sample, %4 the seconds kept.
inline constexpr char kSoundFitted[] = "%1 %2 kHz %3 ビットに変換しました（%4 秒）。";
inline constexpr char kMono[] = "モノラル";
inline constexpr char kStereo[] = "ステレオ";

// Memo.
inline constexpr char kMemoNameTooLong[] = "テキストファイル名が長すぎます。";
inline constexpr char kMemoTooLong[] = "メモが長すぎます。";
inline constexpr char kMemoHasInvalidChars[] = "メモに使用できない文字が含まれています。";
inline constexpr char kNoRoomForMemo[] = "空きがないため、メモ入力はできません。";

// Password.
inline constexpr char kPasswordTooLong[] = "パスワードは半角８文字以内で入力してください。";

// Sealed pictures.
inline constexpr char kPassphraseEmpty[] = "パスフレーズを入力してください。";
inline constexpr char kPassphraseTooLong[] = "パスフレーズは1024バイト以内で入力してください。";
inline constexpr char kPassphraseNotUtf8[] = "パスフレーズに使用できない文字が含まれています。";
inline constexpr char kPassphrasesDiffer[] = "確認用のパスフレーズが一致しません。";
inline constexpr char kSealedNotOpened[] = "パスフレーズが違うか、暗号化された音声がありません。";

// Main window.
inline constexpr char kAlreadyRunning[] = "すでに起動済みです";
inline constexpr char kUnsavedCarrier[] = "音声合成画像が保存されていません。保存しますか。";
inline constexpr char kAlreadySynthesized[] = "すでに合成済みです。";
inline constexpr char kLoadBothToSynthesize[] = "画像データと音声データをロードしてから合成してください。";
inline constexpr char kLoadBothForMemo[] = "画像データと音声データをロードしてからメモ入力してください。";
inline constexpr char kLoadSound[] = "音声データをロードしてください。";
inline constexpr char kLoadCarrier[] = "音声付画像データをロードしてください。";
inline constexpr char kNoSysInfo[] = "現時点ではｼｽﾃﾑ情報を使用できません";

// Sound-state words and status texts.
inline constexpr char kNoSound[] = "音声なし";
inline constexpr char kHasSound[] = "音声あり";
inline constexpr char kHasLockedSound[] = "パスワード付音声あり";
inline constexpr char kSynthesisDone[] = "合成完了";

}  // namespace korimo::msg
