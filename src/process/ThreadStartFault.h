#pragma once
// The runner's worker threads start through here. A refused thread (EAGAIN at the
// system's thread or memory limit) cannot be brought about from outside on demand, so
// tests arm a fault that makes one start raise as the refusal would, to check that Run
// cleans up after a child that was already started.

#include <exception>

namespace ondrevo {

class ThreadStartFault {
public:
    // Tests: the start after `startsBefore` more successful ones raises `error`, once.
    static void Arm(int startsBefore, std::exception_ptr error);
    static void Disarm();
    // Called before each worker thread is created; raises the armed error when due.
    static void Check();
};

} // namespace ondrevo
