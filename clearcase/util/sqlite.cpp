#include "clearcase/util/sqlite.h"

#include <sqlite3.h>

#include <utility>

namespace ccsub {

Stmt::Stmt(Db& db, std::string_view sql) : db_(&db), sql_(sql) {
    st_ = db.take(sql_);
}

void Stmt::release() {
    if (st_ && db_) db_->give_back(sql_, st_);
    st_ = nullptr;
}

Stmt::~Stmt() {
    release();
}

Stmt::Stmt(Stmt&& o) noexcept
    : db_(o.db_), st_(std::exchange(o.st_, nullptr)), failed_(o.failed_), sql_(std::move(o.sql_)) {}

Stmt& Stmt::operator=(Stmt&& o) noexcept {
    if (this != &o) {
        release();
        db_ = o.db_;
        st_ = std::exchange(o.st_, nullptr);
        failed_ = o.failed_;
        sql_ = std::move(o.sql_);
    }
    return *this;
}

sqlite3_stmt* Db::take(const std::string& sql) {
    if (!db_) return nullptr;
    auto it = pool_.find(sql);
    if (it != pool_.end() && !it->second.empty()) {
        sqlite3_stmt* st = it->second.back();
        it->second.pop_back();
        return st;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &st, nullptr) != SQLITE_OK) {
        err_ = sqlite3_errmsg(db_);
        return nullptr;
    }
    return st;
}

void Db::give_back(const std::string& sql, sqlite3_stmt* st) {
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (!db_) {
        sqlite3_finalize(st);
        return;
    }
    auto& v = pool_[sql];
    if (v.size() < 4)
        v.push_back(st);
    else
        sqlite3_finalize(st);
}

Stmt& Stmt::bind(int i, int64_t v) {
    if (st_) sqlite3_bind_int64(st_, i, v);
    return *this;
}

Stmt& Stmt::bind(int i, std::string_view v) {
    if (st_) sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
}

Stmt& Stmt::bind_null(int i) {
    if (st_) sqlite3_bind_null(st_, i);
    return *this;
}

bool Stmt::step() {
    if (!st_) return false;
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) {
        failed_ = true;
        if (db_) db_->set_error(sqlite3_errmsg(db_->raw()));
    }
    return false;
}

bool Stmt::exec() {
    if (!st_) return false;
    failed_ = false;
    while (step()) {
    }
    bool ok = !failed_;
    sqlite3_reset(st_);
    return ok;
}

void Stmt::reset() {
    if (st_) {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
    failed_ = false;
}

int64_t Stmt::i64(int col) const {
    return st_ ? sqlite3_column_int64(st_, col) : 0;
}

std::string Stmt::text(int col) const {
    if (!st_) return {};
    const unsigned char* p = sqlite3_column_text(st_, col);
    if (!p) return {};
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st_, col)));
}

bool Stmt::is_null(int col) const {
    return !st_ || sqlite3_column_type(st_, col) == SQLITE_NULL;
}

Db::~Db() {
    close();
}

bool Db::open(const std::string& path) {
    close();
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        err_ = db_ ? sqlite3_errmsg(db_) : "cannot open database";
        close();
        return false;
    }
    // Concurrent cleartool processes wait for each other instead of failing.
    sqlite3_busy_timeout(db_, 60000);
    return true;
}

void Db::close() {
    for (auto& [sql, v] : pool_)
        for (auto* st : v) sqlite3_finalize(st);
    pool_.clear();
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

bool Db::exec(std::string_view sql) {
    std::string s(sql);
    char* msg = nullptr;
    if (sqlite3_exec(db_, s.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
        err_ = msg ? msg : "sql error";
        sqlite3_free(msg);
        return false;
    }
    return true;
}

int64_t Db::last_rowid() const {
    return sqlite3_last_insert_rowid(db_);
}
int Db::changes() const {
    return sqlite3_changes(db_);
}

std::optional<int64_t> Db::scalar_i64(std::string_view sql, std::initializer_list<std::string_view> args) {
    Stmt st(*this, sql);
    int i = 1;
    for (auto a : args) st.bind(i++, a);
    if (st.step() && !st.is_null(0)) return st.i64(0);
    return std::nullopt;
}

Txn::Txn(Db& db) : db_(db) {
    ok_ = db_.exec("BEGIN IMMEDIATE");
}

Txn::~Txn() {
    if (ok_ && !done_) db_.exec("ROLLBACK");
}

bool Txn::commit() {
    if (!ok_ || done_) return false;
    done_ = true;
    return db_.exec("COMMIT");
}

}  // namespace ccsub
