#include "frame/prompts.h"

#include "res/ids.h"

namespace qar {

namespace {

struct PromptEntry {
    int id;
    const char* status;
    const char* tooltip;
};

constexpr PromptEntry kPrompts[] = {
    {ID_VIEW_DIRBAR, "ディレクトリバーを表示します", "ディレクトリバーの表示"},
    {ID_ENCODE, "エンコードを開始します", "エンコード開始"},
    {ID_WAV_DIR, "入力ファイルのディレクトリを選択", "ＷＡＶディレクトリ選択"},
    {ID_MP3_DIR, "出力ディレクトリ選択", "ディレクトリ選択"},
    {ID_EDIT_SELECT_ALL, "すべてのファイルを選択します", "全て選択"},
    {ID_VIEW_REFRESH, "表示内容を最新の情報に更新します", "更新"},
    {ID_EDIT_CLEAR, "何も選択されていない状態にします", "クリア"},
    {ID_HELP_SHOW, "ヘルプを開きます", ""},
    {ID_OPTIONS, "エンコードオプションの指定を行います", "オプション設定"},
    {ID_PLAYLIST, "プレイリストを作成して演奏開始", ""},
    {ID_PLAY_MP3, "MP3ファイルを再生します", ""},
    {ID_PLAY_WAV, "WAVファイルを再生します", ""},
    {ID_APP_ABOUT, "プログラムの情報、バージョンを表示します", ""},
    {ID_APP_EXIT, "アプリケーションを終了します", "終了"},
    {ID_VIEW_STATUS_BAR, "ステータスバーを表示します", "ステータスバーの表示"},
};

}  // namespace

CommandPrompt PromptFor(int id) {
    for (const PromptEntry& p : kPrompts) {
        if (p.id == id)
            return {QString::fromUtf8(p.status), QString::fromUtf8(p.tooltip)};
    }
    return {};
}

}  // namespace qar
