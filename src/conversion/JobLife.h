#pragma once
// The life of one encoder slot's job, and every way it moves, in one place: the batch
// and the encoder pool ask it rather than keeping flags of their own. UI thread.

namespace ondrevo {

enum class JobLife {
    Free, // no job: the slot may start one
    Preparing, // its row's start is read on the engine's worker thread; no encoder yet
    Running, // its encoder runs
    Paused, // its encoder is suspended (SIGSTOP)
    Stopping, // asked to finish its file; its end is on its way
    EndPosted, // no encoder ran (the row was skipped or could not start): its end is posted
    Abandoned, // its end posted, then stopped: the slot is free, and a new start drops the posted end
};

enum class JobEvent {
    Prepare, // the slot's row claimed it; its start is being read
    Start, // an encoder was started for the slot's row
    Refuse, // the row cannot start: it fails without an encoder, its end posted as an encoder's would be
    Skip, // the row's whole output is already there: it is kept, its end posted likewise
    Pause,
    Resume,
    Stop, // Stop, closing or ending the program asked it to finish
    End, // its end was handled
};

// The life after `event`; an event that does not apply leaves it as it is.
JobLife NextLife(JobLife life, JobEvent event);
// Whether the slot is taken: no new job may start there.
bool HoldsSlot(JobLife life);
// Whether the user's stop decides what is kept of its file.
bool WasStopped(JobLife life);

} // namespace ondrevo
