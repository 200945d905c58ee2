#pragma once
// The UI loop backed by Qt's event loop: posted tasks become queued calls on the
// application object, so they run between window events, one at a time.

#include "base/EventLoop.h"

namespace ondrevo {

class QtEventLoop : public IEventLoop {
public:
    void Post(Task task) override;
    void Run() override;
    void Quit() override;
};

} // namespace ondrevo
