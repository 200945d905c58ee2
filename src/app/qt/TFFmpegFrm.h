#pragma once
// Placeholder; replaced by the main window.
#include "app/EventLoop.h"
#include <QWidget>
namespace ondrevo {
class TFFmpegFrm : public QWidget {
public:
    explicit TFFmpegFrm(IEventLoop& loop) : loop_(loop) {}
private:
    IEventLoop& loop_;
};
} // namespace ondrevo
