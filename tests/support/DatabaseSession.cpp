#include "support/DatabaseSession.h"

#include "app/TFFmpegFunc.h"

#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace ondrevo::testing {

void CopyShippedDatabase(const std::string& path)
{
    std::filesystem::copy_file(ONDREVO_SHIPPED_DB, path, std::filesystem::copy_options::overwrite_existing);
}

namespace {

struct Connection {
    explicit Connection(const std::string& path)
    {
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db);
    }
    ~Connection() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

} // namespace

void ExecuteSql(const std::string& path, const std::string& sql)
{
    Connection connection(path);
    char* error = nullptr;
    if (sqlite3_exec(connection.db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << (error ? error : "?");
        sqlite3_free(error);
    }
}

std::vector<std::string> QueryRows(const std::string& path, const std::string& sql)
{
    Connection connection(path);
    std::vector<std::string> rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection.db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(connection.db);
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            if (c)
                row += '|';
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            row += text ? text : "<null>";
        }
        rows.push_back(row);
    }
    sqlite3_finalize(statement);
    return rows;
}

std::string QueryValue(const std::string& path, const std::string& sql)
{
    const auto rows = QueryRows(path, sql);
    return rows.empty() ? std::string() : rows.front();
}

std::vector<std::string> StoredState(const std::string& path)
{
    std::vector<std::string> state;
    for (const char* sql : { "select 'item', * from cmbex_itemindex order by cmbex_tag",
             "select 'audio', * from cmbex_adoindex order by cmbex_tag, cmbex_type",
             "select 'dir', * from savedir_videofile order by dir_numb" })
        for (auto& row : QueryRows(path, sql))
            state.push_back(std::move(row));
    return state;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

Session::Session(const std::string& databaseName)
    : dataModule(databaseName)
    , window(loop)
{
    SqlDatMod = &dataModule;
}

Session::~Session()
{
    if (SqlDatMod == &dataModule)
        SqlDatMod = nullptr;
}

void Session::Show()
{
    Event([](TFFmpegFrmHandlers& handlers) { handlers.FormShow(); });
}

std::string Session::Fragment(int n)
{
    TFFmpegFunc func;
    return func.SelectorFragment(Selector(n));
}

StatementLog::StatementLog(sqlite3* dataBase)
    : dataBase_(dataBase)
{
    sqlite3_trace_v2(
        dataBase_, SQLITE_TRACE_STMT,
        [](unsigned, void* context, void*, void* text) {
            static_cast<StatementLog*>(context)->statements.emplace_back(static_cast<const char*>(text));
            return 0;
        },
        this);
}

StatementLog::~StatementLog()
{
    sqlite3_trace_v2(dataBase_, 0, nullptr, nullptr);
}

std::string RunWithoutWriteRights(const std::function<std::string()>& scenario, bool& skipped)
{
    skipped = false;
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        constexpr gid_t kNobody = 65534;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(3);
        std::string result;
        int status = 0;
        try {
            result = scenario();
        } catch (const std::exception& e) {
            result = std::string("escaped: ") + e.what();
            status = 1;
        }
        for (std::size_t done = 0; done < result.size();) {
            const ssize_t n = write(fds[1], result.data() + done, result.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        _exit(status);
    }
    close(fds[1]);
    std::string output;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
        skipped = true;
        return {};
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child failed: " << output;
    return output;
}

} // namespace ondrevo::testing
