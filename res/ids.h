// Command and control ids: menu items, bar buttons, dialog controls and posted commands.
// Widgets carry their id as objectName (e.g. "1009"), so tests find controls by id.
#pragma once

namespace qar {

// Menu and directory-bar commands.
inline constexpr int ID_APP_EXIT = 57665;         // ファイル > 終了
inline constexpr int ID_EDIT_SELECT_ALL = 32771;  // 編集 > すべて選択
inline constexpr int ID_EDIT_CLEAR = 32773;       // 編集 > クリア
inline constexpr int ID_VIEW_DIRBAR = 103;  // 表示 > ディレクトリバー (also the bar's id)
inline constexpr int ID_VIEW_STATUS_BAR = 59393;  // 表示 > ステータスバー (also the bar's id)
inline constexpr int ID_VIEW_REFRESH = 32772;     // 表示 > 最新の情報に更新, F5
inline constexpr int ID_ENCODE = 1004;            // 操作 > エンコード開始, bar button
inline constexpr int ID_OPTIONS = 32776;          // 操作 > オプション, bar button
inline constexpr int ID_WAV_DIR = 1005;    // 操作 > WAVEディレクトリの選択, bar "..."
inline constexpr int ID_MP3_DIR = 1006;    // 操作 > 出力ディレクトリの選択, bar "..."
inline constexpr int ID_PLAYLIST = 32778;  // 操作 > プレイリストを作成, "m"
inline constexpr int ID_PLAYLIST_WITH_WAV = 32782;  // 操作 > プレイリストを作成(.WAV付き), "M"
inline constexpr int ID_PLAY_MP3 = 32779;           // 操作 > MP3ファイルを再生, "p"
inline constexpr int ID_PLAY_WAV = 32781;           // 操作 > WAVファイルを再生, "w"
inline constexpr int ID_HELP_SHOW = 32775;          // ヘルプ > ヘルプの表示
inline constexpr int ID_APP_ABOUT = 57664;          // ヘルプ > バージョン情報
inline constexpr int ID_AUTO_MARK = 1007;           // automatic marking (posted only)
inline constexpr int ID_FILE_NEW = 57600;           // Ctrl+N
inline constexpr int ID_FILE_OPEN = 57601;          // Ctrl+O

// Posted to the main window.
inline constexpr int ID_ENCODE_FINISHED_CMD = 32774;  // the worker's end notice
inline constexpr int ID_WAV_DIR_EDIT = 1008;          // source folder edit: take the folder over
inline constexpr int ID_MP3_DIR_EDIT = 1009;          // output folder edit: take the folder over

// Directory bar controls (besides the buttons above, which carry their command ids).
inline constexpr int IDC_SUBDIR = 1019;  // サブディレクトリも検索
inline constexpr int IDC_SAMEDIR = 1020;  // ソースディレクトリと同じ場所に作成する

// Status bar panes.
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;

// Dialog buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// About box.
inline constexpr int IDC_HOMEPAGE = 1056;

// Encoding status dialog.
inline constexpr int IDC_PRIORITY_NORMAL = 1038;
inline constexpr int IDC_PRIORITY_LOW = 1039;
inline constexpr int IDC_PRIORITY_LOWEST = 1040;
inline constexpr int IDC_STATUS_PROGRESS = 1009;
inline constexpr int IDC_STATUS_WAV = 1011;
inline constexpr int IDC_STATUS_MP3 = 1012;
inline constexpr int IDC_STATUS_SETTINGS = 1013;
inline constexpr int IDC_STATUS_TIME = 1014;
inline constexpr int IDC_STATUS_PROGRESS_TEXT = 1015;
inline constexpr int IDC_STATUS_QUALITY = 1016;
inline constexpr int kStatusTimerId = 100;
inline constexpr int kStatusTimerMs = 500;

}  // namespace qar
