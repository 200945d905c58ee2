// The statements reach SQLite exactly as composed: checked on the builders and on the
// text SQLite itself is handed while the selectors and the output folder work.

#include "support/MemoryControls.h"

#include "base/Errors.h"
#include "parameters/Statements.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ondrevo::testing {
namespace {

using Statements = std::vector<std::string>;

TEST(StatementText, ValuesAreWrittenIntoTheText)
{
    EXPECT_EQ(SqlNumber(0), "0");
    EXPECT_EQ(SqlNumber(-1), "-1");
    EXPECT_EQ(SqlNumber(1234567890123LL), "1234567890123");
    EXPECT_EQ(SqlText(""), "''");
    EXPECT_EQ(SqlText("it's"), "'it''s'");
    EXPECT_EQ(SqlText("''"), "''''''");
    EXPECT_EQ(SqlText("/a b/\"c\"/Ünï"), "'/a b/\"c\"/Ünï'");

    EXPECT_EQ(CatalogueListStatement(5, 7), "select cmbex_index,cmbex_name from cmbex_vdoaspect order by cmbex_index");
    EXPECT_EQ(CatalogueListStatement(9, -1),
        "select cmbex_index,cmbex_name from cmbex_adofreq where cmbex_type = -1 order by cmbex_index");
    EXPECT_EQ(FragmentStatement(1, -1, 0), "select cmbex_cmd from cmbex_vdocodec where cmbex_index = -1");
    EXPECT_EQ(FragmentStatement(8, 12, 3),
        "select cmbex_cmd from cmbex_adochannels where cmbex_index = 12 and cmbex_type = 3");
    EXPECT_EQ(SaveOutputFolderStatement("/x/it's"),
        "update savedir_videofile set dir_name = '/x/it''s' where dir_numb = '001'");
    EXPECT_THROW(CatalogueTable(0), Exception);
    EXPECT_THROW(CatalogueTable(10), Exception);
}

// What SQLite receives during a start, a few changes, the fragments and a folder choice.
TEST(StatementText, OperationsRunExactlyTheseStatementsInThisOrder)
{
    TempDir dir;
    WorkingDirectory cwd(dir.Path());
    CopyShippedDatabase("LibFFmpeg.Dat");
    ErrorReports reports;
    Session session;
    StatementLog log(session.dataModule.DataBase());

    session.Show();
    const Statements list = { "select cmbex_index,cmbex_name from ", " order by cmbex_index" };
    Statements expected;
    const char* tables[] = { "cmbex_vdocodec", "cmbex_vdobitrate", "cmbex_vdosize", "cmbex_vdofps", "cmbex_vdoaspect",
        "cmbex_adocodec" };
    for (int tag = 1; tag <= 6; ++tag) {
        expected.push_back(list[0] + tables[tag - 1] + list[1]);
        expected.push_back("select cmbex_index from cmbex_itemindex where cmbex_tag = " + std::to_string(tag));
    }
    const char* audioTables[] = { "cmbex_adobitrate", "cmbex_adochannels", "cmbex_adofreq" };
    auto refill = [&](int codec) {
        for (int tag = 7; tag <= 9; ++tag) {
            expected.push_back(
                list[0] + audioTables[tag - 7] + " where cmbex_type = " + std::to_string(codec) + list[1]);
            expected.push_back("select cmbex_index from cmbex_adoindex where cmbex_tag = " + std::to_string(tag)
                + " and cmbex_type = " + std::to_string(codec));
        }
    };
    // "Made for" is shown from the catalogues' names and the stored choices, once at the
    // start and after every stored choice.
    auto madeFor = [&] {
        for (const char* table : tables)
            expected.push_back(list[0] + table + list[1]);
        for (const char* table : audioTables)
            expected.push_back(std::string("select cmbex_type, cmbex_name from ") + table
                + " order by cmbex_type, cmbex_index");
        expected.push_back("select cmbex_tag, cmbex_index from cmbex_itemindex");
        expected.push_back("select cmbex_tag, cmbex_type, cmbex_index from cmbex_adoindex");
    };
    refill(0);
    expected.push_back("select dir_name from savedir_videofile where dir_numb = '001'");
    madeFor();
    EXPECT_EQ(log.statements, expected);

    log.statements.clear();
    expected.clear();
    session.Selector(2).UserPick(3);
    expected.push_back("update cmbex_itemindex set cmbex_index = 3 where cmbex_tag = 2");
    madeFor();
    session.Selector(6).UserPick(1);
    expected.push_back("update cmbex_itemindex set cmbex_index = 1 where cmbex_tag = 6");
    refill(1);
    madeFor();
    session.Selector(8).UserType("no such channel");
    expected.push_back("update cmbex_adoindex set cmbex_index = -1 where cmbex_tag = 8 and cmbex_type = 1");
    madeFor();
    EXPECT_EQ(log.statements, expected);

    log.statements.clear();
    for (int n = 1; n <= 9; ++n)
        session.Fragment(n);
    EXPECT_EQ(log.statements,
        (Statements {
            "select cmbex_cmd from cmbex_vdocodec where cmbex_index = 1",
            "select cmbex_cmd from cmbex_vdobitrate where cmbex_index = 3",
            "select cmbex_cmd from cmbex_vdosize where cmbex_index = 1",
            "select cmbex_cmd from cmbex_vdofps where cmbex_index = 3",
            "select cmbex_cmd from cmbex_vdoaspect where cmbex_index = 0",
            "select cmbex_cmd from cmbex_adocodec where cmbex_index = 1",
            "select cmbex_cmd from cmbex_adobitrate where cmbex_index = 0 and cmbex_type = 1",
            "select cmbex_cmd from cmbex_adochannels where cmbex_index = -1 and cmbex_type = 1",
            "select cmbex_cmd from cmbex_adofreq where cmbex_index = 0 and cmbex_type = 1",
        }));

    log.statements.clear();
    const std::string folder = (dir.Path() / "it's here").string();
    std::filesystem::create_directory(folder);
    session.window.desktop.folderAnswers.push_back(folder);
    session.Event([](TFFmpegFrmHandlers& h) { h.JvBtnSltDirClick(); });
    std::string quoted = folder;
    quoted.replace(quoted.find('\''), 1, "''");
    EXPECT_EQ(log.statements,
        (Statements { "update savedir_videofile set dir_name = '" + quoted + "' where dir_numb = '001'" }));
    EXPECT_TRUE(reports.messages.empty()) << reports.messages.front();
}

} // namespace
} // namespace ondrevo::testing
