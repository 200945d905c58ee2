#include "support/DatabaseSession.h"

#include "app/TFFmpegFunc.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
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

namespace {

constexpr int kChildDeadlineMs = 60000;

void WriteAll(int fd, const std::string& text)
{
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

// Reads until the end of the stream, or until `stopAt` has been read; fails the test
// when nothing comes within the deadline.
std::string ReadFrom(int fd, const std::string& stopAt = {})
{
    std::string text;
    char buffer[4096];
    for (;;) {
        pollfd ready { fd, POLLIN, 0 };
        if (poll(&ready, 1, kChildDeadlineMs) <= 0) {
            ADD_FAILURE() << "the child said nothing within " << kChildDeadlineMs << " ms";
            return text;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
        if (!stopAt.empty() && text.find(stopAt) != std::string::npos)
            return text;
    }
}

} // namespace

ForkedChild::ForkedChild(const std::function<std::string()>& scenario, bool staysAlive)
{
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        std::string result = "+";
        try {
            result += scenario();
        } catch (const std::exception& e) {
            result = std::string("-escaped: ") + e.what();
        }
        WriteAll(fds[1], result);
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
    if (pid_ > 0)
        Kill();
    if (output_ >= 0)
        close(output_);
}

std::string ForkedChild::Result()
{
    const std::string output = ReadFrom(output_);
    EXPECT_EQ(output.substr(0, 1), "+") << "child failed: " << output;
    return output.empty() ? output : output.substr(1);
}

void ForkedChild::Kill()
{
    if (pid_ > 0)
        kill(pid_, SIGKILL);
    Reap();
}

void ForkedChild::Reap()
{
    if (pid_ > 0)
        waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

LockHolder::LockHolder(const std::string& path, double holdSeconds)
{
    int input[2], output[2];
    if (pipe(input) != 0 || pipe(output) != 0) {
        ADD_FAILURE() << "pipe failed";
        return;
    }
    // The shell commands write and wait on the pipes themselves, so nothing of the
    // holder's own buffered output is needed to know that the lock is held.
    waitsForRelease_ = holdSeconds <= 0;
    const std::string hold = !waitsForRelease_ ? ".shell sleep " + std::to_string(holdSeconds) : ".shell read line";
    pid_ = fork();
    if (pid_ == 0) {
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        for (int fd : { input[0], input[1], output[0], output[1] })
            close(fd);
        execlp("sqlite3", "sqlite3", path.c_str(), "BEGIN IMMEDIATE;", ".shell echo locked", hold.c_str(), "COMMIT;",
            static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    input_ = input[1];
    const std::string said = ReadFrom(output[0], "locked");
    close(output[0]);
    EXPECT_NE(said.find("locked"), std::string::npos) << "the lock holder did not start: " << said;
}

LockHolder::~LockHolder()
{
    Release();
}

void LockHolder::Release()
{
    if (input_ >= 0) {
        if (waitsForRelease_)
            WriteAll(input_, "\n");
        close(input_);
        input_ = -1;
    }
    if (pid_ > 0) {
        int status = 0;
        waitpid(pid_, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the lock holder failed";
        pid_ = -1;
    }
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
