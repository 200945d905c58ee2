// Entries that follow a catalogue's own: a database made before the phone sizes and the
// AMR codecs existed offers them after its own entries, with the shipped fragments and
// first choices, without a byte written to it until the user picks.

#include "support/MemoryControls.h"

#include "parameters/AddedEntries.h"
#include "parameters/Selectors.h"

#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

// The shipped database as it was before the phone sizes and the AMR codecs.
const char* const kBeforeAmr = "delete from cmbex_vdosize where cmbex_index > 4;"
                               "delete from cmbex_adocodec where cmbex_index > 1;"
                               "delete from cmbex_adobitrate where cmbex_type > 1;"
                               "delete from cmbex_adochannels where cmbex_type > 1;"
                               "delete from cmbex_adofreq where cmbex_type > 1;"
                               "delete from cmbex_adoindex where cmbex_type > 1;";

class AddedEntriesTest : public ::testing::Test, protected ProgramOnShippedCopy {
protected:
    std::vector<std::string> Names(int tag, const char* codec)
    {
        std::vector<std::string> names;
        for (const auto& list : added_entries::Lists())
            if (list.tag == tag
                && (codec ? list.audioCodec && std::string(codec) == list.audioCodec : !list.audioCodec))
                for (const auto& entry : list.entries)
                    names.push_back(entry.name);
        return names;
    }
    std::vector<std::string> Plus(std::vector<std::string> entries, const std::vector<std::string>& more)
    {
        entries.insert(entries.end(), more.begin(), more.end());
        return entries;
    }
};

TEST_F(AddedEntriesTest, EveryAddedListIsTheShippedCatalogueTail)
{
    // Same names, same fragments, same positions after the older entries, and the first
    // choice the shipped database saves for the codec.
    const char* const tables[] = { "", "", "", "cmbex_vdosize", "", "cmbex_vdoaspect", "cmbex_adocodec",
        "cmbex_adobitrate", "cmbex_adochannels", "cmbex_adofreq" };
    for (const auto& list : added_entries::Lists()) {
        const std::string table = tables[list.tag];
        std::string where;
        if (list.audioCodec)
            where = " where cmbex_type = (select cmbex_index from cmbex_adocodec where cmbex_name = '"
                + std::string(list.audioCodec) + "')";
        std::vector<std::string> expected;
        for (const auto& entry : list.entries)
            expected.push_back(std::string(entry.name) + "|" + entry.fragment);
        std::vector<std::string> shipped
            = QueryRows(db, "select cmbex_name || '|' || cmbex_cmd from " + table + where + " order by cmbex_index");
        ASSERT_GE(shipped.size(), expected.size()) << table;
        shipped.erase(shipped.begin(), shipped.end() - static_cast<long>(expected.size()));
        EXPECT_EQ(shipped, expected) << table << where;
        if (list.audioCodec) {
            EXPECT_EQ(QueryValue(db,
                          "select cmbex_index from cmbex_adoindex where cmbex_tag = " + std::to_string(list.tag)
                              + " and cmbex_type = (select cmbex_index from cmbex_adocodec where cmbex_name = '"
                              + list.audioCodec + "')"),
                std::to_string(list.firstChoice))
                << table << where;
        }
    }
}

TEST_F(AddedEntriesTest, AnOlderDatabaseListsThemAfterItsOwnAndKeepsItsBytes)
{
    const std::vector<std::string> cif
        = { "128x96 (SQCIF)", "176x144 (QCIF)", "352x288 (CIF)", "704x576 (4CIF)", "1408x1152 (16CIF)" };
    struct Row {
        const char* what;
        std::string change;
        std::vector<std::string> sizes;
        std::vector<std::string> codecs;
    } const rows[] = {
        { "the shipped catalogue", "", Plus(cif, Names(3, nullptr)), { "AAC-LC", "No audio", "AMR-NB", "AMR-WB" } },
        { "a catalogue made before", kBeforeAmr, Plus(cif, Names(3, nullptr)),
            { "AAC-LC", "No audio", "AMR-NB", "AMR-WB" } },
        { "a codec and a size of the user's own in their places",
            std::string(kBeforeAmr)
                + "insert into cmbex_adocodec values (2, 'Opus', '-c:a libopus');"
                  "insert into cmbex_adobitrate values (2, 0, '24 kbit/s', '-b:a 24k');"
                  "insert into cmbex_vdosize values (5, '320x240 (QVGA)', '-s 320x240');",
            Plus(cif, { "320x240 (QVGA)", "160x120 (QQVGA)", "400x240 (WQVGA)", "480x320 (HVGA)", "640x480 (VGA)" }),
            { "AAC-LC", "No audio", "Opus", "AMR-NB", "AMR-WB" } },
    };
    for (const Row& row : rows) {
        CopyShippedDatabase(db);
        if (!row.change.empty())
            ExecuteSql(db, row.change);
        const std::string bytes = FileBytes(db);
        Session& s = Start();
        EXPECT_EQ(s.Selector(3).Items(), row.sizes) << row.what;
        EXPECT_EQ(s.Selector(6).Items(), row.codecs) << row.what;
        // The video size entries give the fragments of their names.
        for (int i = 0; i < s.Selector(3).ItemCount(); ++i) {
            s.Selector(3).SetItemIndex(i);
            const std::string name = s.Selector(3).Item(i);
            EXPECT_EQ(s.Fragment(3), "-s " + name.substr(0, name.find(' '))) << row.what;
        }
        const int nb = static_cast<int>(row.codecs.size()) - 2;
        struct Codec {
            int position;
            std::string fragment;
            std::vector<std::string> line; // the first choices' fragments
            std::size_t bitrates;
        } const codecs[] = {
            { nb, "-c:a libopencore_amrnb", { "-b:a 12.2k", "-ac 1", "-ar 8000" }, 8 },
            { nb + 1, "-c:a libvo_amrwbenc", { "-b:a 12.65k", "-ac 1", "-ar 16000" }, 9 },
        };
        for (const Codec& codec : codecs) {
            // Shown as a pick shows them, without saving the pick.
            s.Selector(6).SetItemIndex(codec.position);
            for (int n = 7; n <= 9; ++n)
                selectors::Fill(s.dataModule.SqliteQuery(), s.Selector(n), s.Selector(6));
            EXPECT_EQ(s.Fragment(6), codec.fragment) << row.what;
            EXPECT_EQ(s.Selector(7).ItemCount(), static_cast<int>(codec.bitrates)) << row.what;
            EXPECT_EQ((std::vector<std::string> { s.Fragment(7), s.Fragment(8), s.Fragment(9) }), codec.line)
                << row.what;
        }
        session_.reset();
        EXPECT_TRUE(FileBytes(db) == bytes) << row.what << ": the file was written to";

        // Picked, the codec and its bitrate come back at the next start.
        Session& picked = Start();
        picked.Selector(6).UserPick(nb);
        picked.Selector(7).UserPick(2);
        picked.Selector(3).UserPick(9);
        Session& again = Start();
        EXPECT_EQ(again.Selector(6).Text(), "AMR-NB") << row.what;
        EXPECT_EQ(again.Selector(7).Text(), "5.9 kbit/s") << row.what;
        EXPECT_EQ(again.Fragment(7), "-b:a 5.9k") << row.what;
        EXPECT_EQ(again.Selector(8).Text(), "Mono") << row.what;
        EXPECT_EQ(again.Selector(3).Text(), row.sizes[9]) << row.what;
        EXPECT_TRUE(reports.messages.empty()) << row.what << ": " << reports.messages.front();
    }
}

} // namespace
} // namespace ondrevo::testing
