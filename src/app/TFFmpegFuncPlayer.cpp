// TFFmpegFunc's mini player operation; the work is done in player/MiniPlayer.

#include "app/TFFmpegFunc.h"

#include "app/MainWindow.h"
#include "player/MiniPlayer.h"
#include "player/MplayerWindow.h"

namespace ondrevo {

void TFFmpegFunc::PlayVideoFile()
{
    mini_player::PlayVideoFile(fileListView_, window_.Desktop(), [this] { return window_.CreateMplayerFrm(); });
}

} // namespace ondrevo
