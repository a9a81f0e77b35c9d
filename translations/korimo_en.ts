<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>KorimoMain</name>
    <message>
        <source>暗号化して合成(&amp;E)...</source>
        <translation>&amp;Embed Sealed...</translation>
    </message>
    <message>
        <source>暗号化画像を開く(&amp;O)...</source>
        <translation>&amp;Open Sealed Picture...</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>音声＆メモ再生</source>
        <translation>Play Hidden</translation>
    </message>
    <message>
        <source>合成ファイル</source>
        <translation>Carrier file</translation>
    </message>
    <message>
        <source>編集</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>メモ</source>
        <translation>Memo</translation>
    </message>
    <message>
        <source>合成</source>
        <translation>Embed</translation>
    </message>
    <message>
        <source>音声ファイル</source>
        <translation>Sound file</translation>
    </message>
    <message>
        <source>画像ファイル</source>
        <translation>Image file</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開く(&amp;O)...</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>画像ファイル(&amp;I)</source>
        <translation>&amp;Image File...</translation>
    </message>
    <message>
        <source>音声ファイル(&amp;S)</source>
        <translation>&amp;Sound File...</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save...</translation>
    </message>
    <message>
        <source>クリア(&amp;C)</source>
        <translation>&amp;Clear</translation>
    </message>
    <message>
        <source>終了(&amp;E)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>ツール(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>音声を保存(&amp;W)...</source>
        <translation>Save Sound as &amp;WAV...</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Korimoヘルプ(&amp;H)</source>
        <translation>Korimo &amp;Help</translation>
    </message>
    <message>
        <source>Korimoについて(&amp;A)</source>
        <translation>&amp;About Korimo</translation>
    </message>
</context>
<context>
    <name>Memoin</name>
    <message>
        <source>メモ入力</source>
        <translation>Enter Memo</translation>
    </message>
    <message>
        <source>メモ</source>
        <translation>Memo</translation>
    </message>
    <message>
        <source>入力可能文字数：</source>
        <translation>Characters available: </translation>
    </message>
    <message>
        <source>入力可能バイト数：</source>
        <translation>Bytes available: </translation>
    </message>
</context>
<context>
    <name>Memoout</name>
    <message>
        <source>メモ表示</source>
        <translation>Memo</translation>
    </message>
    <message>
        <source>メモ</source>
        <translation>Memo</translation>
    </message>
</context>
<context>
    <name>Passin</name>
    <message>
        <source>パスワード入力</source>
        <translation>Enter Password</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
</context>
<context>
    <name>QtPort</name>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>いいえ(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>メモもテキストファイルとして保存する(&amp;M)</source>
        <translation>Also save the &amp;memo as a text file</translation>
    </message>
    <message>
        <source>Korimoヘルプ</source>
        <translation>Korimo Help</translation>
    </message>
    <message>
        <source>&lt;h3&gt;ヘルプファイルを開けません&lt;/h3&gt;&lt;p&gt;%1&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Cannot open the help file&lt;/h3&gt;&lt;p&gt;%1&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>のﾊﾞｰｼﾞｮﾝ情報</source>
        <translation> Version Information</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ </source>
        <translation>Version </translation>
    </message>
    <message>
        <source>ｼｽﾃﾑ情報(&amp;S)...</source>
        <translation>&amp;System Info...</translation>
    </message>
</context>
<context>
    <name>korimo::msg</name>
    <message>
        <source>パスフレーズを入力してください。</source>
        <translation>Please type a passphrase.</translation>
    </message>
    <message>
        <source>パスフレーズは1024バイト以内で入力してください。</source>
        <translation>A passphrase can be at most 1024 bytes.</translation>
    </message>
    <message>
        <source>パスフレーズに使用できない文字が含まれています。</source>
        <translation>The passphrase contains characters that cannot be used.</translation>
    </message>
    <message>
        <source>確認用のパスフレーズが一致しません。</source>
        <translation>The two passphrases differ.</translation>
    </message>
    <message>
        <source>パスフレーズが違うか、暗号化された音声がありません。</source>
        <translation>Wrong passphrase, or no sealed sound in this picture.</translation>
    </message>
    <message>
        <source>このデータは読み込めません。</source>
        <translation>This file cannot be read.</translation>
    </message>
    <message>
        <source>データがロードできません。</source>
        <translation>The data could not be loaded.</translation>
    </message>
    <message>
        <source>データがセーブできません。</source>
        <translation>The data could not be saved.</translation>
    </message>
    <message>
        <source>画像データがないためセーブできません。</source>
        <translation>There is no picture to save.</translation>
    </message>
    <message>
        <source>画像データを先に読み込んでください。</source>
        <translation>Open a picture first.</translation>
    </message>
    <message>
        <source>ロード済みの音声データとメモがなくなります。よろしいですか。</source>
        <translation>The sound and memo already opened will be discarded. Continue?</translation>
    </message>
    <message>
        <source>音声データファイル名が長すぎます。</source>
        <translation>The sound file name is too long.</translation>
    </message>
    <message>
        <source>音声データが画像データに収まりません。</source>
        <translation>The sound does not fit in the picture.</translation>
    </message>
    <message>
        <source>テンポラリデータがセーブできません。</source>
        <translation>The temporary file could not be saved.</translation>
    </message>
    <message>
        <source>音声データがないため再生できません。</source>
        <translation>There is no sound to play.</translation>
    </message>
    <message>
        <source>%1 %2 kHz %3 ビットに変換しました（%4 秒）。</source>
        <translation>Converted to %1, %2 kHz, %3-bit (%4 s).</translation>
    </message>
    <message>
        <source>モノラル</source>
        <translation>mono</translation>
    </message>
    <message>
        <source>ステレオ</source>
        <translation>stereo</translation>
    </message>
    <message>
        <source>テキストファイル名が長すぎます。</source>
        <translation>The text file name is too long.</translation>
    </message>
    <message>
        <source>メモが長すぎます。</source>
        <translation>The memo is too long.</translation>
    </message>
    <message>
        <source>メモに使用できない文字が含まれています。</source>
        <translation>The memo contains characters that cannot be used.</translation>
    </message>
    <message>
        <source>空きがないため、メモ入力はできません。</source>
        <translation>There is no room left for a memo.</translation>
    </message>
    <message>
        <source>パスワードは半角８文字以内で入力してください。</source>
        <translation>Enter a password of at most 8 half-width characters.</translation>
    </message>
    <message>
        <source>すでに起動済みです</source>
        <translation>Korimo is already running</translation>
    </message>
    <message>
        <source>音声合成画像が保存されていません。保存しますか。</source>
        <translation>The picture with the hidden sound has not been saved. Save it?</translation>
    </message>
    <message>
        <source>すでに合成済みです。</source>
        <translation>The sound has already been embedded.</translation>
    </message>
    <message>
        <source>画像データと音声データをロードしてから合成してください。</source>
        <translation>Open a picture and a sound before embedding.</translation>
    </message>
    <message>
        <source>画像データと音声データをロードしてからメモ入力してください。</source>
        <translation>Open a picture and a sound before typing a memo.</translation>
    </message>
    <message>
        <source>音声データをロードしてください。</source>
        <translation>Open a sound first.</translation>
    </message>
    <message>
        <source>音声付画像データをロードしてください。</source>
        <translation>Open a picture with a hidden sound.</translation>
    </message>
    <message>
        <source>現時点ではｼｽﾃﾑ情報を使用できません</source>
        <translation>System information is not available at this time</translation>
    </message>
    <message>
        <source>音声なし</source>
        <translation>No sound</translation>
    </message>
    <message>
        <source>音声あり</source>
        <translation>Sound found</translation>
    </message>
    <message>
        <source>パスワード付音声あり</source>
        <translation>Password-protected sound</translation>
    </message>
    <message>
        <source>合成完了</source>
        <translation>Embedded</translation>
    </message>
    <message>
        <source>BMP画像データ(*.bmp)|*.bmp|すべてのファイル(*.*)|*.*</source>
        <translation>BMP pictures (*.bmp)|*.bmp|All files (*.*)|*.*</translation>
    </message>
    <message>
        <source>WAV音声データ(*.wav)|*.wav|すべてのファイル(*.*)|*.*</source>
        <translation>WAV sounds (*.wav)|*.wav|All files (*.*)|*.*</translation>
    </message>
</context>
<context>
    <name>korimo::status</name>
    <message>
        <source>画像データ </source>
        <translation>Picture data </translation>
    </message>
    <message>
        <source>  音声サイズ </source>
        <translation>  Sound size </translation>
    </message>
    <message>
        <source>  音声合成最大サイズ </source>
        <translation>  Max sound size </translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation> bytes</translation>
    </message>
</context>
<context>
    <name>korimo::ui</name>
    <message>
        <source>korimo110.hlp</source>
        <translation>korimo110.en.hlp</translation>
    </message>
</context>
<context>
    <name>PassphraseDialog</name>
    <message>
        <source>パスフレーズ入力</source>
        <translation>Passphrase</translation>
    </message>
    <message>
        <source>パスフレーズ</source>
        <translation>Passphrase</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
