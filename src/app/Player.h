#pragma once
// The program module: start-up, the five windows, the event loop.
#include "app/WindowHost.h"

#include <QString>
#include <QStringList>
#include <cstdio>
#include <memory>
#include <optional>

namespace qel {

class AudioBackend;
struct Options;
class MusicPlayback;
class ScriptTrace;
class SoundLevels;

// The five windows of the program, created in their order, with the running
// game's host, the music players and their volumes. All live as long as this object.
class PlayerWindows {
public:
    // traceTo: where --trace writes the run's lines, or null for no trace.
    // announceScene false: a scene given as firstArg starts without its box.
    PlayerWindows(const std::optional<QString>& firstArg, Clock& clock, AudioBackend& audio,
                  std::FILE* traceTo = nullptr, bool announceScene = true);
    ~PlayerWindows();
    PlayerWindows(const PlayerWindows&) = delete;
    PlayerWindows& operator=(const PlayerWindows&) = delete;

    Windows w;  // filled in as the windows are created
    std::unique_ptr<TStartMenu> startMenu;
    std::unique_ptr<TFormMein> main;
    std::unique_ptr<TFormMsgText> messages;
    std::unique_ptr<TFromCom> verbs;
    std::unique_ptr<TFTextIn> textInput;
    std::unique_ptr<ReadingControls> reading;
    std::unique_ptr<WindowHost> host;
    std::unique_ptr<ScriptTrace> trace;  // between the game and the host, with --trace
    std::unique_ptr<MusicPlayback> players;
    std::unique_ptr<SoundLevels> levels;  // the player's volumes and mute, on the same back end
};

// Runs the player with the options read from the command line (after the
// application object exists: QCoreApplication for --check, else
// QApplication); returns the process's exit status.
int RunPlayer(const Options& options);

}  // namespace qel
