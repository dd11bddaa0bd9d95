#include "text/Messages.h"

#include <array>
#include <string_view>

#include "platform/Cp932.h"

namespace yomida {
namespace {

struct Entry {
    Msg id;
    std::string_view utf8;
};

// Each text keeps the bytes its callers showed before: a message box breaks lines with LF CR, as
// the window always has, while the lock warning and the notification break them with LF.
constexpr Entry kTable[] = {
    {Msg::FolderNotCreated, "フォルダが作成できません"},
    {Msg::CannotWrite, "%s に書き込めません"},
    {Msg::DataFileMissing, "データファイルがありません。"},
    {Msg::NoDataFile, "データファイルがありません: "},
    {Msg::FileMissing, "ファイルがありません。"},
    {Msg::DownloadedFileMissing, "ダウンロードファイルが見つかりません。"},
    {Msg::NotFound, " が見つかりません"},
    {Msg::NotAnInteger, " は正しい整数値ではありません"},

    {Msg::Closing, "終了処理中　しばらくお待ち下さい"},
    {Msg::QuitWithoutSavingTicks, "\n\r\n\rチェックを保存せずに終了しますか？"},

    {Msg::OfflineNoForcedDownload, "オフラインモードでデータの強制ダウンロードはできません。"},
    {Msg::AskDownload, "データをダウンロードしますか？"},
    {Msg::DataUpdatedAskRedownload,
     "データが更新されました。\n\rデータを再ダウンロードしますか？\n\r\n\r"
     "※チェックはクリアされます"},
    {Msg::FetchFailed, "取得に失敗しました"},
    {Msg::Receiving, "受信: "},
    {Msg::HeaderFetchError, "ヘッダー取得処理：エラー！！"},
    {Msg::DataFetchError, "データ取得処理：エラー！！"},
    {Msg::DirectFetchFailedAskImport,
     "直接取得できませんでした。ブラウザで保存したページから取り込みますか？"},
    {Msg::Converting, "変換処理中・・・"},
    {Msg::NoReleasesOnPage, "ページに発売情報がありませんでした。"},
    {Msg::ShowingPreviousList, "\n\r前の一覧をそのまま表示します。"},
    {Msg::MonthOutOfRange, "指定年月は範囲外の為ダウンロード出来ません。"},
    {Msg::BadUrl, "データ取得処理－－URL不正－－"},
    {Msg::BookTownFormatChanged, "「本やタウン」のWeb形式が変更になりました。"},
    {Msg::CurrentDataIs, "現在のデータは"},
    {Msg::ChangeTargetMonth, "です。指定年月を変更して下さい。"},
    {Msg::CertificateUnverifiedFor, "証明書を確認できません: "},
    {Msg::PageShapeChanged, "ページの形が変わった可能性があります"},
    {Msg::CategorySearch, "の検索"},

    {Msg::ReasonServerAnswered, "サーバーが "},
    {Msg::ReasonAnsweredEnd, "を返しました"},
    {Msg::ReasonNotFound, "（ページがありません）"},
    {Msg::ReasonForbidden, "（アクセスが拒否されました）"},
    {Msg::ReasonGone, "（ページは削除されました）"},
    {Msg::ReasonServerError, "（サーバー内部のエラー）"},
    {Msg::ReasonUnavailable, "（一時的に利用できません）"},
    {Msg::ReasonHostUnknown, "サーバーの名前を解決できませんでした"},
    {Msg::ReasonNoConnection, "サーバーに接続できませんでした"},
    {Msg::ReasonTimedOut, "サーバーからの応答が途絶えました"},
    {Msg::ReasonCutOff, "通信が途中で切れました"},
    {Msg::ReasonCertificate, "サーバーの証明書を確認できませんでした"},
    {Msg::ReasonTooManyRequests, "取得元がページを送り続けるため、"},
    {Msg::ReasonRequestsEnd, " 回の問い合わせで取得を止めました"},
    {Msg::ReasonUnreadableResponse, "取得元の応答を読めませんでした: "},
    {Msg::ReasonResponsesTooLarge, "取得元の応答が大きすぎるため、取得を止めました"},
    {Msg::FetchingRequest, "取得中・・・ 問い合わせ "},

    {Msg::NeedKosumiraCsv,
     "KOSUMIRAで取り込んだCSVファイルが必要です。\n\r"
     "YOMIDAでそのファイルを読み込ませて下さい。"},
    {Msg::BrowserPageSteps,
     "発売日一覧のページをブラウザで表示します。\n\r"
     "全て表示後ブラウザでCtrl+Sを押し「名前を付けて保存」し、\n\r"
     "YOMIDAでそのファイルを読み込ませて下さい。\n\r\n\r"
     "※ファイルの種類は”HTMLのみ”\n\r\n\r※エンコードは”UTF-8”で保存"},
    {Msg::PlaceKosumiraCsv, "KOSUMIRAで取り込んだCSVファイルを置いて下さい。"},
    {Msg::PlaceSavedPage, "保存した発売日一覧のページ（HTML）を置いて下さい。"},
    {Msg::AskReimport,
     "置いたファイルでデータを取り込み直しますか？\n\r\n\r※チェックはクリアされます"},

    {Msg::TicksNotPlaced,
     "一覧が更新されていたため、次のチェックは保存できませんでした（新しい一覧にありません）:"},

    {Msg::NothingToExport, "出力するデータがありません。"},
    {Msg::NoDatedRows, "発売日の決まった行が無いため、カレンダーに出力できません。"},
    {Msg::NoDatedRowsFor, "発売日の決まった行が無いため、"},
    {Msg::NothingWritten, " には何も書いていません"},
    {Msg::CalendarStatus, "カレンダー: "},
    {Msg::UndatedLeftOut, "件は発売日が決まっていないため出力していません。"},
    {Msg::UndatedRows, "日付の無い行: "},

    {Msg::Items, "件"},

    {Msg::WatchStatus, "ウォッチ: "},
    {Msg::WatchCancelled, "ウォッチ: 中止"},
    {Msg::WatchNewStatus, "ウォッチ: 新着 "},
    {Msg::WatchNewPart, " 新着 "},
    {Msg::WatchUnreadablePart, " 読めないファイル "},
    {Msg::WatchFeedsNotWritten, " watch.ics/watch.atom を書けません"},
    {Msg::UnreadableDataFiles, "読めないデータファイル: "},

    {Msg::NotifyNoSessionBus, "デスクトップ通知: セッションバスに接続できないため表示しません ("},
    {Msg::NotifyNoServer, "デスクトップ通知: 通知サーバーが無いため表示しません"},
    {Msg::NotifyFailed, "デスクトップ通知: 表示できませんでした ("},
    {Msg::NotifySummary, "YOMIDA: "},
    {Msg::NotifyNew, "新着 "},
    {Msg::NotifyChanged, "変更 "},
    {Msg::NotifyAlsoChanged, "・変更 "},
    {Msg::NotifyMore, "\nほか "},

    {Msg::BrowserNotStarted,
     "ブラウザを起動できませんでした。\n\r次のアドレスをブラウザで開いて下さい。\n\r\n\r"},

    {Msg::EnterConditionName, "検索条件名称を入力して下さい。"},
    {Msg::NoMoreConditions, "これ以上追加できません。"},
    {Msg::ConditionNameTaken, "同じ検索条件名称があります。"},
    {Msg::ChooseConditionToReplace, "置換対象を選択して下さい。"},
    {Msg::ChooseConditionToDelete, "削除対象を選択して下さい。"},

    {Msg::LockNotRegular,
     "\nは他のファイルへのリンクか、通常のファイルではありません。"
     "\nこのファイルには書き込まず、二重起動を確かめないまま起動します。"
     "\n削除すると、次回から確かめます。"},
    {Msg::AlreadyRunning, "YOMIDA は既に起動しています。"},

    {Msg::UrlNoScheme, "http:// か https:// で始まっていません"},
    {Msg::UrlBadScheme, " は使えないスキームです（http か https のみ）"},
    {Msg::UrlUnknownPlaceholder, " は知らない置き換えです"},
    {Msg::UrlUnusable, " の URL は使えません: "},
    {Msg::UsingBuiltInUrl, "。組み込みの URL を使います。"},

    {Msg::NoUserManager,
     "systemd のユーザーマネージャーが見つからないため、自動更新を設定できません。"},
    {Msg::SystemctlNoAnswer, "systemctl が応答しません"},
    {Msg::ExitCode, "終了コード "},
    {Msg::ScheduleNotStopped, "自動更新を止められませんでした。"},
    {Msg::ScheduleTimeNotWritten, "自動更新の時刻を書けませんでした。"},
    {Msg::ScheduleNotLoaded, "自動更新の時刻を systemd に読み込ませられませんでした。"},
    {Msg::ScheduleNotStarted, "自動更新を始められませんでした。"},
    {Msg::NoHomeFolder, "HOME が空で、ユーザー情報にもホームフォルダがありません"},

    {Msg::HealthFileDamaged,
     "取得状況のファイルが壊れていたため読めませんでした。次の取得で新しく記録し直します。"},
    {Msg::LastFetchFailed, "（前回の取得に失敗）"},

    {Msg::DefinitionsLeftOut, "次の取得元の定義は読めないため使いません。\n\r\n\r"},

    {Msg::ConsoleError, "エラー: "},
    {Msg::ConsoleWarning, "警告: "},
    {Msg::ConsoleQuestion, "確認 (いいえ): "},
};

constexpr bool InEnumOrder() {
    for (size_t i = 0; i < std::size(kTable); ++i) {
        if (kTable[i].id != static_cast<Msg>(i)) {
            return false;
        }
    }
    return std::size(kTable) == kMsgCount;
}
static_assert(InEnumOrder(), "one row per message, in the order of the enum");

template <typename Convert>
std::array<std::string, kMsgCount> Converted(Convert convert) {
    std::array<std::string, kMsgCount> texts;
    for (size_t i = 0; i < kMsgCount; ++i) {
        texts[i] = convert(kTable[i].utf8);
    }
    return texts;
}

}  // namespace

const std::string& MsgText(Msg id) {
    static const std::array<std::string, kMsgCount> texts =
        Converted([](std::string_view utf8) { return Utf8ToCp932(utf8); });
    return texts.at(static_cast<size_t>(id));
}

const std::string& MsgUtf8(Msg id) {
    static const std::array<std::string, kMsgCount> texts =
        Converted([](std::string_view utf8) { return std::string(utf8); });
    return texts.at(static_cast<size_t>(id));
}

}  // namespace yomida
