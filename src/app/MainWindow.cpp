#include "app/MainWindow.h"

#include "conversion/BatchEngine.h"

namespace ondrevo {

IMainWindow* FFmpegFrm = nullptr;

EncoderPool& IMainWindow::Encoders()
{
    return Engine().Encoders();
}

BatchModel& IMainWindow::Batch()
{
    return Engine().Model();
}

TJvCreateProcess& IMainWindow::JvCreateProcess()
{
    return Engine().Encoders().Runner(0);
}

} // namespace ondrevo
