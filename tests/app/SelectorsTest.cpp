// The nine selectors on a real database file: filling, restoring and saving positions,
// the per-codec memory of the audio sub-selectors and the fragment of the current entry.

#include "support/MemoryControls.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

class SelectorsTest : public ::testing::Test, protected ProgramOnShippedCopy {
protected:
    std::string Saved(int tag)
    {
        return QueryValue(db, "select cmbex_index from cmbex_itemindex where cmbex_tag = " + std::to_string(tag));
    }
    std::string SavedAudio(int tag, int codec)
    {
        return QueryValue(db,
            "select cmbex_index from cmbex_adoindex where cmbex_tag = " + std::to_string(tag)
                + " and cmbex_type = " + std::to_string(codec));
    }
};

TEST_F(SelectorsTest, ThirtyRowsAreListedInAscendingIndexWhateverTheirStoredOrder)
{
    std::string sql = "delete from cmbex_vdobitrate;";
    for (int i = 29; i >= 0; --i) // stored backwards, so only "order by" gives the list order
        sql += "insert into cmbex_vdobitrate values (" + std::to_string(i) + ", 'Rate " + std::to_string(i)
            + "', '-b:v " + std::to_string(100 + i) + "k');";
    sql += "update cmbex_itemindex set cmbex_index = 29 where cmbex_tag = 2;";
    ExecuteSql(db, sql);

    Session& s = Start();
    ASSERT_EQ(s.Selector(2).ItemCount(), 30);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(s.Selector(2).Item(i), "Rate " + std::to_string(i));
    EXPECT_EQ(s.Selector(2).ItemIndex(), 29);
    EXPECT_EQ(s.Fragment(2), "-b:v 129k");
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(SelectorsTest, ShippedDefaultsAreShownAndFragmentsFollowTheCurrentEntry)
{
    Session& s = Start();
    const std::vector<std::string> shown = { "MPEG-4 Visual", "256 kbit/s", "176x144 (QCIF)", "15 fps", "Auto",
        "AAC-LC", "64 kbit/s", "Stereo", "44100 Hz" };
    const std::vector<std::string> fragments = { "-c:v mpeg4 -pix_fmt yuv420p", "-b:v 256k", "-s 176x144", "-r 15", "",
        "-c:a aac", "-b:a 64k", "-ac 2", "-ar 44100" };
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(s.Selector(n).Text(), shown[static_cast<std::size_t>(n - 1)]) << n;
        EXPECT_EQ(s.Fragment(n), fragments[static_cast<std::size_t>(n - 1)]) << n;
    }
    // A position set by the program, not saved: the fragment still follows it.
    s.Selector(1).SetItemIndex(2);
    EXPECT_EQ(s.Fragment(1), "-c:v libx264 -profile:v baseline -pix_fmt yuv420p");
    EXPECT_EQ(Saved(1), "1");
    s.Selector(4).UserPick(8);
    EXPECT_EQ(s.Fragment(4), "-r 30000/1001");
    EXPECT_EQ(Saved(4), "8");
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(SelectorsTest, MissingSavedRowsReadAsTheFirstEntryAndChoicesAreNotKept)
{
    ExecuteSql(db,
        "delete from cmbex_itemindex where cmbex_tag = 5;"
        "delete from cmbex_adoindex where cmbex_tag = 8 and cmbex_type = 0;");
    Session& s = Start();
    EXPECT_EQ(s.Selector(5).ItemIndex(), 0);
    EXPECT_EQ(s.Selector(8).ItemIndex(), 0);
    s.Selector(5).UserPick(2);
    s.Selector(8).UserPick(1);
    EXPECT_TRUE(reports.messages.empty()); // an update that matches no row is no error
    Session& again = Start();
    EXPECT_EQ(again.Selector(5).ItemIndex(), 0);
    EXPECT_EQ(again.Selector(8).ItemIndex(), 0);
}

TEST_F(SelectorsTest, PositionsOutsideTheListSelectNothingAndGiveNoFragment)
{
    // A hand-made table without constraints, so that a NULL position can be stored. Tag 3
    // is one past the last size (ten); 2^32 + 1 for tag 4 must not wrap round to entry 1.
    ExecuteSql(db,
        "drop table cmbex_itemindex;"
        "create table cmbex_itemindex (cmbex_tag INTEGER, cmbex_index INTEGER);"
        "insert into cmbex_itemindex values (1, -1), (2, 4), (3, 10), (4, 4294967297), (5, NULL), (6, 0);"
        "update cmbex_adoindex set cmbex_index = 99 where cmbex_tag = 9 and cmbex_type = 0;");
    Session& s = Start();
    for (int n : { 1, 3, 4, 9 }) {
        EXPECT_EQ(s.Selector(n).ItemIndex(), -1) << n;
        EXPECT_EQ(s.Selector(n).Text(), "") << n;
        EXPECT_EQ(s.Fragment(n), "") << n;
        EXPECT_GT(s.Selector(n).ItemCount(), 0) << n;
    }
    EXPECT_EQ(s.Selector(5).ItemIndex(), 0) << "NULL reads as 0";
    EXPECT_EQ(s.Selector(2).ItemIndex(), 4);
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(SelectorsTest, TypedTextWithNoMatchSavesMinusOne)
{
    Session& s = Start();
    s.Selector(3).UserType("999x999");
    s.Selector(7).UserType("lots");
    EXPECT_EQ(Saved(3), "-1");
    EXPECT_EQ(SavedAudio(7, 0), "-1");
    EXPECT_EQ(s.Fragment(3), "");
    Session& again = Start();
    EXPECT_EQ(again.Selector(3).ItemIndex(), -1);
    EXPECT_EQ(again.Selector(7).ItemIndex(), -1);
    EXPECT_EQ(again.Selector(2).ItemIndex(), 4);
}

TEST_F(SelectorsTest, EachAudioCodecKeepsItsOwnSubChoices)
{
    // Give "No audio" three bitrates of its own so both codecs have a real choice.
    ExecuteSql(db,
        "delete from cmbex_adobitrate where cmbex_type = 1;"
        "insert into cmbex_adobitrate values (1, 0, 'B0', 'b0'), (1, 1, 'B1', 'b1'), (1, 2, 'B2', 'b2');");
    Session& s = Start();
    s.Selector(7).UserPick(2); // codec A = AAC: bitrate x = 32 kbit/s
    s.Selector(6).UserPick(1); // codec B
    EXPECT_EQ(s.Selector(7).Items(), (std::vector<std::string> { "B0", "B1", "B2" }));
    EXPECT_EQ(s.Selector(7).ItemIndex(), 0);
    s.Selector(7).UserPick(1); // bitrate y
    EXPECT_EQ(s.Fragment(7), "b1");
    s.Selector(6).UserPick(0); // codec A again
    EXPECT_EQ(s.Selector(7).ItemCount(), 7);
    EXPECT_EQ(s.Selector(7).ItemIndex(), 2);
    EXPECT_EQ(s.Selector(7).Text(), "32 kbit/s");
    EXPECT_EQ(s.Selector(8).ItemIndex(), 1);
    EXPECT_EQ(s.Selector(9).ItemIndex(), 6);
    EXPECT_EQ(s.Fragment(7), "-b:a 32k");
    EXPECT_EQ(SavedAudio(7, 0), "2");
    EXPECT_EQ(SavedAudio(7, 1), "1");

    s.Selector(6).UserPick(1);
    Session& again = Start();
    EXPECT_EQ(again.Selector(6).ItemIndex(), 1);
    EXPECT_EQ(again.Selector(7).Text(), "B1");
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(SelectorsTest, CodecWithoutSubRowsOrNoCodecLeavesSubSelectorsEmpty)
{
    ExecuteSql(db,
        "insert into cmbex_adocodec values (4, 'Test codec', '-c:a aac');"
        "insert into cmbex_adobitrate values (4, 0, 'T0', '-b:a 20k');"
        "insert into cmbex_adoindex values (7, 4, 0), (8, 4, 0), (9, 4, 0);");
    Session& s = Start();
    s.Selector(6).UserPick(4);
    EXPECT_EQ(s.Selector(7).Items(), std::vector<std::string> { "T0" });
    EXPECT_EQ(s.Selector(8).ItemCount(), 0);
    EXPECT_EQ(s.Selector(8).ItemIndex(), -1);
    EXPECT_EQ(s.Fragment(8), "");
    EXPECT_EQ(s.Selector(9).ItemCount(), 0);

    // The audio codec typed away: nothing is offered below it and nothing is inserted.
    s.Selector(6).UserType("Vorbis");
    EXPECT_EQ(Saved(6), "-1");
    for (int n = 6; n <= 9; ++n)
        EXPECT_EQ(s.Fragment(n), "") << n;
    for (int n = 7; n <= 9; ++n)
        EXPECT_EQ(s.Selector(n).ItemCount(), 0) << n;
    Session& again = Start();
    EXPECT_EQ(again.Selector(6).ItemIndex(), -1);
    for (int n = 7; n <= 9; ++n)
        EXPECT_EQ(again.Selector(n).ItemCount(), 0) << n;
    EXPECT_TRUE(reports.messages.empty());
}

TEST_F(SelectorsTest, StartingWithoutUserActionStoresNothing)
{
    // Saved values that a careless fill would "correct" on its way.
    ExecuteSql(db,
        "update cmbex_itemindex set cmbex_index = 77 where cmbex_tag = 2;"
        "update cmbex_itemindex set cmbex_index = -1 where cmbex_tag = 3;"
        "update cmbex_adoindex set cmbex_index = 5 where cmbex_tag = 9 and cmbex_type = 1;"
        "update savedir_videofile set dir_name = NULL;");
    const auto before = StoredState(db);
    const std::string bytes = FileBytes(db);
    {
        Session s;
        StatementLog log(s.dataModule.DataBase());
        s.Show();
        for (const std::string& statement : log.statements)
            EXPECT_EQ(statement.rfind("select ", 0), 0u) << statement;
        for (int n = 1; n <= 9; ++n)
            s.Fragment(n);
        // The start's own, then Made for's look at the catalogues, the choices and the
        // presets, then the fragments.
        EXPECT_EQ(log.statements.size(), 19u + 11u + 9u);
    }
    EXPECT_EQ(StoredState(db), before);
    EXPECT_TRUE(FileBytes(db) == bytes);
    EXPECT_TRUE(reports.messages.empty());
}

} // namespace
} // namespace ondrevo::testing
