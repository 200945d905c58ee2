#include "player/MplayerWindow.h"

namespace ondrevo {

IMplayerWindow* MplayerFrm = nullptr;

} // namespace ondrevo
