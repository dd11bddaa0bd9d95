#include "platform/IoError.h"

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

std::string Describe(IoError::Op op, const std::filesystem::path& path, int errnoValue) {
    std::string text = OpText(op);
    text += ": ";
    text += path.string();
    if (errnoValue != 0) {
        text += " (";
        text += std::strerror(errnoValue);
        text += ")";
    }
    return text;
}

}  // namespace

IoError::IoError(Op op, const std::filesystem::path& path, int errnoValue)
    : std::runtime_error(Describe(op, path, errnoValue)),
      op_(op),
      path_(path),
      errno_(errnoValue) {}

}  // namespace yomida
