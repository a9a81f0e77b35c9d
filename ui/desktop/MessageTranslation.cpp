#include "ui/desktop/MessageTranslation.h"

#include <QCoreApplication>

namespace korimo::ui {

namespace {

// The Japanese texts translated at display time, listed for lupdate: the
// engine's messages, the status-line pieces and the window's file filters.
[[maybe_unused]] constexpr const char* kMessageTexts[] = {
    QT_TRANSLATE_NOOP("korimo::msg", "このデータは読み込めません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "データがロードできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "データがセーブできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "画像データがないためセーブできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "画像データを先に読み込んでください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "ロード済みの音声データとメモがなくなります。よろしいですか。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声データファイル名が長すぎます。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声データが画像データに収まりません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "テンポラリデータがセーブできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声データがないため再生できません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "%1 %2 kHz %3 ビットに変換しました（%4 秒）。"),
    QT_TRANSLATE_NOOP("korimo::msg", "モノラル"),
    QT_TRANSLATE_NOOP("korimo::msg", "ステレオ"),
    QT_TRANSLATE_NOOP("korimo::msg", "テキストファイル名が長すぎます。"),
    QT_TRANSLATE_NOOP("korimo::msg", "メモが長すぎます。"),
    QT_TRANSLATE_NOOP("korimo::msg", "メモに使用できない文字が含まれています。"),
    QT_TRANSLATE_NOOP("korimo::msg", "空きがないため、メモ入力はできません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスワードは半角８文字以内で入力してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "すでに起動済みです"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声合成画像が保存されていません。保存しますか。"),
    QT_TRANSLATE_NOOP("korimo::msg", "すでに合成済みです。"),
    QT_TRANSLATE_NOOP("korimo::msg", "画像データと音声データをロードしてから合成してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "画像データと音声データをロードしてからメモ入力してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声データをロードしてください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声付画像データをロードしてください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "現時点ではｼｽﾃﾑ情報を使用できません"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声なし"),
    QT_TRANSLATE_NOOP("korimo::msg", "音声あり"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスワード付音声あり"),
    QT_TRANSLATE_NOOP("korimo::msg", "合成完了"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスフレーズを入力してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスフレーズは1024バイト以内で入力してください。"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスフレーズに使用できない文字が含まれています。"),
    QT_TRANSLATE_NOOP("korimo::msg", "確認用のパスフレーズが一致しません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "パスフレーズが違うか、暗号化された音声がありません。"),
    QT_TRANSLATE_NOOP("korimo::msg", "BMP画像データ(*.bmp)|*.bmp|すべてのファイル(*.*)|*.*"),
    QT_TRANSLATE_NOOP("korimo::msg", "WAV音声データ(*.wav)|*.wav|すべてのファイル(*.*)|*.*"),
};
constexpr const char* kStatusPieces[] = {
    QT_TRANSLATE_NOOP("korimo::status", "画像データ "),
    QT_TRANSLATE_NOOP("korimo::status", "  音声サイズ "),
    QT_TRANSLATE_NOOP("korimo::status", "  音声合成最大サイズ "),
    QT_TRANSLATE_NOOP("korimo::status", "Bytes"),
};

}  // namespace

QString TranslatedMessage(const std::string& text) {
  const QString original = QString::fromStdString(text);
  const QString whole = QCoreApplication::translate("korimo::msg", text.c_str());
  if (whole != original) return whole;
  QString pieces = original;
  for (const char* piece : kStatusPieces)
    pieces.replace(QString::fromUtf8(piece), QCoreApplication::translate("korimo::status", piece));
  return pieces;
}

}  // namespace korimo::ui
