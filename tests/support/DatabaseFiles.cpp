#include "support/DatabaseFiles.h"

#include <csignal>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ondrevo {

void PrintTo(const JournalRow& row, std::ostream* out)
{
    *out << "{" << row.position << " \"" << row.caption << "\" image " << row.imageIndex;
    for (const std::string& subItem : row.subItems)
        *out << " \"" << subItem << "\"";
    *out << " hint \"" << row.hint << "\"}";
}

} // namespace ondrevo

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

unsigned WriteTransactions(const std::string& path)
{
    const std::string header = FileBytes(path).substr(0, 28);
    unsigned counter = 0;
    for (std::size_t i = 24; i < header.size(); ++i)
        counter = counter << 8 | static_cast<unsigned char>(header[i]);
    return counter;
}

const std::vector<JournalRow>& FiveListRows()
{
    static const std::vector<JournalRow> rows = {
        { 0, "/clips/waiting.mp4", 15, { "mp4", "1.2 MiB", "00:00:10", "0%" }, "" },
        { 1, "/clips/it's converting.avi", 3, { "avi", "700 KiB", "00:01:00", "42%" }, "Stream #0:0: Video: mpeg4" },
        { 2, "/clips/converted.mov", 11, { "mov", "3 MiB", "00:00:30", "100%" }, "" },
        { 3, "/clips/failed.flv", 18, { "flv", "9 KiB", "00:00:01", "3%" },
            "Invalid data found when processing input" },
        { 4, "/clips/stopped.wmv", 11, { "wmv", "2 MiB", "00:02:00", "57%" }, "" },
    };
    return rows;
}

std::vector<JournalRow> ListRows(const IFileList& list)
{
    std::vector<JournalRow> rows;
    for (int row = 0; row < list.RowCount(); ++row) {
        rows.push_back({ row, list.Caption(row), list.ImageIndex(row), {}, list.RowHint(row) });
        for (int k = 0; k < 4; ++k)
            rows.back().subItems[static_cast<std::size_t>(k)] = list.SubItem(row, k);
    }
    return rows;
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

namespace {

constexpr int kChildDeadlineMs = 60000;

// Reads until the end of the stream or until `stopAt` has come; fails the test when
// nothing comes within the deadline.
std::string ReadFrom(int fd, const std::string& stopAt = {})
{
    std::string text;
    char buffer[4096];
    pollfd ready { fd, POLLIN, 0 };
    while (stopAt.empty() || text.find(stopAt) == std::string::npos) {
        if (poll(&ready, 1, kChildDeadlineMs) <= 0) {
            ADD_FAILURE() << "the child said nothing within " << kChildDeadlineMs << " ms";
            break;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
}

} // namespace

ForkedChild::ForkedChild(const std::function<std::string()>& scenario, bool staysAlive)
{
    int fds[2];
    if (pipe(fds) != 0 || (pid_ = fork()) < 0) {
        ADD_FAILURE() << "cannot start a child";
        return;
    }
    if (pid_ == 0) {
        close(fds[0]);
        std::string result = "+";
        try {
            result += scenario();
        } catch (const std::exception& e) {
            result = std::string("-escaped: ") + e.what();
        }
        for (std::size_t done = 0; done < result.size();) {
            const ssize_t n = write(fds[1], result.data() + done, result.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        close(fds[1]);
        while (staysAlive)
            pause();
        _exit(0);
    }
    close(fds[1]);
    output_ = fds[0];
}

ForkedChild::~ForkedChild()
{
    Kill();
    if (output_ >= 0)
        close(output_);
}

std::string ForkedChild::Result()
{
    const std::string output = ReadFrom(output_);
    output_ = -1;
    EXPECT_EQ(output.substr(0, 1), "+") << "child failed: " << output;
    return output.empty() ? output : output.substr(1);
}

void ForkedChild::Kill()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

LockHolder::LockHolder(const std::string& path, double holdSeconds, bool exclusive)
{
    int fds[2];
    if (pipe(fds) != 0 || (pid_ = fork()) < 0) {
        ADD_FAILURE() << "cannot start the lock holder";
        return;
    }
    if (pid_ == 0) {
        // A group of its own, so that ending it ends the shell commands it runs too.
        setpgid(0, 0);
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        const std::string hold = ".shell sleep " + std::to_string(holdSeconds);
        const char* begin = exclusive ? "BEGIN EXCLUSIVE;" : "BEGIN IMMEDIATE;";
        // Waits for the tested program's own short writes (its list's journal) to end.
        execlp("sqlite3", "sqlite3", path.c_str(), ".timeout 30000", begin, ".shell echo locked", hold.c_str(),
            "COMMIT;", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    const std::string said = ReadFrom(fds[0], "locked");
    EXPECT_NE(said.find("locked"), std::string::npos) << "the lock holder did not start: " << said;
}

LockHolder::~LockHolder()
{
    Release();
}

void LockHolder::Release()
{
    if (pid_ <= 0)
        return;
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string RunWithoutWriteRights(const std::function<std::string()>& scenario, bool& skipped)
{
    const std::string cannotDrop = "cannot give up its rights";
    ForkedChild child([&]() -> std::string {
        constexpr gid_t kNobody = 65534;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            return cannotDrop;
        return scenario();
    });
    const std::string output = child.Result();
    skipped = output == cannotDrop;
    return skipped ? std::string() : output;
}

} // namespace ondrevo::testing
