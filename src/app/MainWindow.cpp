#include "app/MainWindow.h"

namespace ondrevo {

IMainWindow* FFmpegFrm = nullptr;

} // namespace ondrevo
