// The batch model: which rows each way of converting picks, how rows that arrive or go
// during a batch change it, and every move of an encoder slot's job.

#include "conversion/BatchModel.h"
#include "conversion/JobLife.h"

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

// One row of every phase, in this order.
BatchModel EveryPhase()
{
    BatchModel model;
    for (RowPhase phase : { RowPhase::Waiting, RowPhase::Converting, RowPhase::Converted, RowPhase::Stopped,
             RowPhase::Failed, RowPhase::Interrupted })
        model.Append(std::string("/s/") + PhaseName(phase) + ".mp4", 1000, phase);
    return model;
}

TEST(BatchModel, EachWayOfConvertingPicksItsRowsInListOrder)
{
    const BatchModel model = EveryPhase();
    EXPECT_EQ(model.RowsOf(RunScope::Whole), (std::vector<int> { 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ(model.RowsOf(RunScope::Remaining), (std::vector<int> { 0, 3, 4, 5 }));
    EXPECT_EQ(model.RowsOf(RunScope::Failed), (std::vector<int> { 4 }));
    // Selection order does not matter, rows past the list are not rows.
    EXPECT_EQ(model.RowsOf(RunScope::Selected, { 5, 2, 9 }), (std::vector<int> { 2, 5 }));
    EXPECT_TRUE(BatchModel {}.RowsOf(RunScope::Remaining).empty());
}

TEST(BatchModel, ARowAddedDuringABatchIsConvertedAfterItsRowsAndADeletedOneIsNot)
{
    BatchModel model = EveryPhase();
    model.StartRun(model.RowsOf(RunScope::Failed));
    EXPECT_EQ(model.RunRows(), 1);
    EXPECT_EQ(model.NextRow(), 4);
    model.RowStarted(4);
    EXPECT_EQ(model.Row(4).phase, RowPhase::Converting);
    EXPECT_EQ(model.NextRow(), std::nullopt);

    model.Append("/s/late.mp4", 2500);
    model.Append("/s/later.mp4", 500);
    EXPECT_EQ(model.RunRows(), 3);
    EXPECT_EQ(model.RunMilliseconds(), 4000);
    model.Remove(0); // positions move; the batch follows its rows
    EXPECT_EQ(model.NextRow(), 5);
    model.Remove(5);
    EXPECT_EQ(model.NextRow(), 5);
    EXPECT_EQ(model.Row(5).source, "/s/later.mp4");

    model.SetPaused(true);
    EXPECT_TRUE(model.Paused());
    model.EndRun();
    EXPECT_FALSE(model.Paused());
    EXPECT_EQ(model.NextRow(), std::nullopt);
    model.Append("/s/after.mp4", 1);
    EXPECT_EQ(model.NextRow(), std::nullopt);
    model.SetPaused(true); // no batch, nothing to pause
    EXPECT_FALSE(model.Paused());
}

TEST(BatchModel, OnlyTheRowsPickedForThisRunAreConvertedWhateverIsThere)
{
    // Each run after a Selected run of rows 2 and 4: which rows it marks.
    struct Case {
        RunScope scope;
        std::vector<int> selected;
        std::vector<bool> marked; // per row, in list order
    };
    const Case cases[] = {
        { RunScope::Whole, {}, { false, false, false, false, false, false } },
        { RunScope::Remaining, {}, { false, false, false, false, false, false } },
        { RunScope::Failed, {}, { false, false, false, false, false, false } },
        { RunScope::Selected, { 0 }, { true, false, false, false, false, false } },
    };
    for (const Case& c : cases) {
        BatchModel model = EveryPhase();
        model.StartRun(model.RowsOf(RunScope::Selected, { 2, 4 }), RunScope::Selected);
        EXPECT_TRUE(model.Row(2).again);
        EXPECT_TRUE(model.Row(4).again);
        model.EndRun();
        model.StartRun(model.RowsOf(c.scope, c.selected), c.scope);
        for (int row = 0; row < model.Count(); ++row)
            EXPECT_EQ(model.Row(row).again, c.marked[static_cast<std::size_t>(row)])
                << "scope " << int(c.scope) << ", row " << row;
    }
}

TEST(BatchModel, PhasesKeepTheirNamesAndAnUnknownNameIsNone)
{
    for (RowPhase phase : { RowPhase::Waiting, RowPhase::Converting, RowPhase::Converted, RowPhase::Stopped,
             RowPhase::Failed, RowPhase::Interrupted })
        EXPECT_EQ(PhaseNamed(PhaseName(phase)), phase);
    EXPECT_EQ(PhaseNamed(""), std::nullopt);
    EXPECT_EQ(PhaseNamed("Converted"), std::nullopt);
}

TEST(JobLife, EveryEventInEveryLife)
{
    using L = JobLife;
    using E = JobEvent;
    struct Move {
        L from;
        E event;
        L to;
    };
    const Move moves[] = {
        { L::Free, E::Start, L::Running },
        { L::Free, E::Refuse, L::EndPosted },
        { L::Free, E::Skip, L::EndPosted },
        { L::Free, E::Pause, L::Free },
        { L::Free, E::Stop, L::Free },
        { L::Free, E::End, L::Free },
        { L::Running, E::Start, L::Running },
        { L::Running, E::Pause, L::Paused },
        { L::Running, E::Resume, L::Running },
        { L::Running, E::Stop, L::Stopping },
        { L::Running, E::End, L::Free },
        { L::Paused, E::Pause, L::Paused },
        { L::Paused, E::Resume, L::Running },
        { L::Paused, E::Stop, L::Stopping },
        { L::Paused, E::Start, L::Paused },
        { L::Paused, E::End, L::Free },
        { L::Stopping, E::Pause, L::Stopping },
        { L::Stopping, E::Resume, L::Stopping },
        { L::Stopping, E::Start, L::Stopping },
        { L::Stopping, E::End, L::Free },
        { L::EndPosted, E::Stop, L::Abandoned },
        { L::EndPosted, E::Start, L::EndPosted },
        { L::EndPosted, E::End, L::Free },
        { L::Abandoned, E::Start, L::Running },
        { L::Abandoned, E::Refuse, L::EndPosted },
        { L::Abandoned, E::End, L::Free },
        // A start read on the worker thread: it runs, ends without an encoder, or is
        // given up by a Stop; nothing else moves it, and a second claim is refused.
        { L::Free, E::Prepare, L::Preparing },
        { L::Abandoned, E::Prepare, L::Preparing },
        { L::Running, E::Prepare, L::Running },
        { L::EndPosted, E::Prepare, L::EndPosted },
        { L::Preparing, E::Prepare, L::Preparing },
        { L::Preparing, E::Start, L::Running },
        { L::Preparing, E::Refuse, L::EndPosted },
        { L::Preparing, E::Skip, L::EndPosted },
        { L::Preparing, E::Pause, L::Preparing },
        { L::Preparing, E::Stop, L::Abandoned },
        { L::Preparing, E::End, L::Free },
    };
    for (const Move& m : moves)
        EXPECT_EQ(NextLife(m.from, m.event), m.to) << int(m.from) << " " << int(m.event);

    EXPECT_FALSE(HoldsSlot(L::Free));
    EXPECT_FALSE(HoldsSlot(L::Abandoned));
    for (L held : { L::Preparing, L::Running, L::Paused, L::Stopping, L::EndPosted })
        EXPECT_TRUE(HoldsSlot(held));
    EXPECT_TRUE(WasStopped(L::Stopping));
    EXPECT_TRUE(WasStopped(L::Abandoned));
    EXPECT_FALSE(WasStopped(L::Paused));
    EXPECT_FALSE(WasStopped(L::Preparing));
}

} // namespace
} // namespace ondrevo::testing
