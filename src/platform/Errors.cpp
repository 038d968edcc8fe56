#include "platform/Errors.h"

#include "platform/Cp932.h"

#include <cerrno>

namespace qel {

namespace {

// A name or operand as an error text shows it: at most kShownCharacters
// characters, the rest cut off with "…", so that a runaway name (a save
// file's line of megabytes, say) never fills the error box.
constexpr std::size_t kShownCharacters = 200;

std::string shown(const std::string& text) {
    std::size_t i = 0;
    for (std::size_t chars = 0; i < text.size(); ++chars) {
        if (chars == kShownCharacters) return text.substr(0, i) + sj("…");
        i += isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return text;
}

}  // namespace

GameError rangeError() { return GameError(sj("範囲ﾁｪｯｸｴﾗｰ")); }

GameError notIntegerError(const std::string& text) {
    return GameError("'" + shown(text) + "'" + sj(" は整数ではありません"));
}

GameError listIndexError(std::int64_t index) {
    return GameError(sj("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (") + std::to_string(index) + ")");
}

GameError cannotOpenError(const std::string& name) {
    return GameError(sj("ﾌｧｲﾙ ") + shown(name) + sj(" は開けません"));
}

GameError badBitmapError() { return GameError(sj("ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です")); }

GameError mediaError(const std::string& backendText) {
    return GameError(backendText.empty() ? sj("原因不明のｴﾗｰ") : backendText);
}

GameError noMciDeviceError() { return GameError(sj("MCI ﾃﾞﾊﾞｲｽがありません")); }

GameError ioError(IoCause cause, int code) {
    switch (cause) {
    case IoCause::NotFound: return GameError(sj("ﾌｧｲﾙが見つかりません"));
    case IoCause::BadPath: return GameError(sj("不正なﾌｧｲﾙ名です"));
    case IoCause::TooManyFiles: return GameError(sj("ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます"));
    case IoCause::AccessDenied: return GameError(sj("ﾌｧｲﾙへのｱｸｾｽが拒否されました"));
    case IoCause::ReadPastEnd: return GameError(sj("ﾌｧｲﾙの末尾以降を読み込みました"));
    case IoCause::DiskFull: return GameError(sj("ﾃﾞｨｽｸがいっぱいです"));
    case IoCause::BadNumber: return GameError(sj("入力値が数値ではありません"));
    case IoCause::Other: break;
    }
    return GameError(sj("I/O ｴﾗｰ (") + std::to_string(code) + ")");
}

GameError ioErrorFromErrno(int err) {
    switch (err) {
    case ENOENT: return ioError(IoCause::NotFound);
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return ioError(IoCause::BadPath);
    case EMFILE:
    case ENFILE: return ioError(IoCause::TooManyFiles);
    case EACCES:
    case EPERM:
    case EROFS: return ioError(IoCause::AccessDenied);
    case ENOSPC:
    case EDQUOT: return ioError(IoCause::DiskFull);
    default: return ioError(IoCause::Other, err);
    }
}

}  // namespace qel
