#include "platform/IoError.h"

#include <cerrno>
#include <cstring>

namespace yomida {
namespace {

const char* OpText(IoError::Op op) {
    switch (op) {
        case IoError::Op::Open:
            return "ファイルを開けません";
        case IoError::Op::Read:
            return "ファイルを読み込めません";
        case IoError::Op::Write:
            return "ファイルに書き込めません";
        case IoError::Op::Create:
            return "ファイルを作成できません";
        case IoError::Op::Delete:
            return "ファイルを削除できません";
        case IoError::Op::Rename:
            return "ファイル名を変更できません";
        case IoError::Op::Lock:
            return "ファイルは他の YOMIDA が書き込み中です";
    }
    return "入出力エラー";
}

const char* RefusalText(IoError::Refusal refusal) {
    switch (refusal) {
        case IoError::Refusal::OthersLink:
            return "他のユーザーが作ったシンボリックリンクは辿りません";
        case IoError::Refusal::NotRegularFile:
            return "通常のファイルではありません";
        case IoError::Refusal::LockInTheWay:
            return "誰も使っていないロックファイルですが、開くことも削除することもできません";
    }
    return "";
}

// The errno a refusal stands closest to, for callers that tell failures apart by it.
int ErrnoOf(IoError::Refusal refusal) {
    switch (refusal) {
        case IoError::Refusal::OthersLink:
        case IoError::Refusal::LockInTheWay:
            return EACCES;
        case IoError::Refusal::NotRegularFile:
            return EINVAL;
    }
    return EINVAL;
}

std::string Describe(IoError::Op op, const std::filesystem::path& path, const char* reason) {
    std::string text = OpText(op);
    text += ": ";
    text += path.string();
    if (reason != nullptr) {
        text += " (";
        text += reason;
        text += ")";
    }
    return text;
}

}  // namespace

IoError::IoError(Op op, const std::filesystem::path& path, int errnoValue)
    : std::runtime_error(Describe(op, path, errnoValue != 0 ? std::strerror(errnoValue) : nullptr)),
      op_(op),
      path_(path),
      errno_(errnoValue) {}

IoError::IoError(Op op, const std::filesystem::path& path, Refusal refusal)
    : std::runtime_error(Describe(op, path, RefusalText(refusal))),
      op_(op),
      path_(path),
      errno_(ErrnoOf(refusal)),
      refusal_(refusal) {}

}  // namespace yomida
