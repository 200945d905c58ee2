#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (a shutdown, `kill`, Ctrl+C, a closed terminal) into
// a call on the Qt loop, so that the program can end as closing its window ends it:
// running encoders finish their parts first. The first such signal is handled so; the
// dispositions then go back to the default, and a second one ends the program at once.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace ondrevo {

class EndSignalWatcher : public QObject {
public:
    explicit EndSignalWatcher(std::function<void()> asked);
    ~EndSignalWatcher() override;
    EndSignalWatcher(const EndSignalWatcher&) = delete;
    EndSignalWatcher& operator=(const EndSignalWatcher&) = delete;

private:
    void Arrived();

    std::function<void()> asked_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace ondrevo
