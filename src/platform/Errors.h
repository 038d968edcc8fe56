#pragma once
// Failures of a script run. A GameError carries the exact text (CP932 bytes)
// that the application's error box shows; it ends the run where it is raised.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace qel {

class GameError : public std::runtime_error {
public:
    explicit GameError(std::string cp932Text) : std::runtime_error(cp932Text), text_(std::move(cp932Text)) {}
    const std::string& text() const { return text_; }
    // Where in a scene file the failure was raised, as "FILE:LINE" (CP932);
    // empty when it is not a script's. The first place given sticks: the
    // innermost code that knows the line names it.
    const std::string& place() const { return place_; }
    void setPlace(std::string place) {
        if (place_.empty()) place_ = std::move(place);
    }

private:
    std::string text_;
    std::string place_;
};

// Thrown by a wait when the program is quitting: the run in progress is
// abandoned silently. Not a GameError, so nothing reports it.
struct RunAbandoned {};

// The player's error texts, with their operands filled in.
GameError rangeError();                              // 範囲ﾁｪｯｸｴﾗｰ
GameError notIntegerError(const std::string& text);  // '%s' は整数ではありません
GameError listIndexError(std::int64_t index);  // ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (%d)
GameError cannotOpenError(const std::string& name);    // ﾌｧｲﾙ %s は開けません
GameError badBitmapError();                            // ﾋﾞｯﾄﾏｯﾌﾟｲﾒｰｼﾞが不正です
GameError mediaError(const std::string& backendText);  // the back end's text, or 原因不明のｴﾗｰ
GameError noMciDeviceError();                          // MCI ﾃﾞﾊﾞｲｽがありません

// Input/output errors, by cause, as the save file and the change of folder
// report them.
enum class IoCause { NotFound, BadPath, TooManyFiles, AccessDenied, ReadPastEnd, DiskFull, BadNumber, Other };
GameError ioError(IoCause cause, int code = 0);
// Maps an errno value to the matching input/output error.
GameError ioErrorFromErrno(int err);

}  // namespace qel
