// Thin RAII wrappers over SQLite: a connection and prepared statements with
// positional binding. Errors are reported through return values; the last
// error text is kept on the connection for diagnostics.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace ccsub {

class Db;

class Stmt {
public:
    Stmt() = default;
    Stmt(Db& db, std::string_view sql);
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    Stmt(Stmt&& o) noexcept;
    Stmt& operator=(Stmt&& o) noexcept;
    // Statements are pooled per connection by SQL text: re-preparing the
    // same small queries dominated the cost of a command. A Stmt must not
    // outlive its Db.

    bool ok() const { return st_ != nullptr; }
    // Binding is 1-based, as in SQLite. Chainable.
    Stmt& bind(int i, int64_t v);
    Stmt& bind(int i, int v) { return bind(i, static_cast<int64_t>(v)); }
    Stmt& bind(int i, std::string_view v);
    Stmt& bind(int i, const char* v) { return bind(i, std::string_view(v)); }
    Stmt& bind(int i, const std::string& v) { return bind(i, std::string_view(v)); }
    Stmt& bind_null(int i);
    // Steps once: true while a row is available.
    bool step();
    // Runs to completion; true on success (SQLITE_DONE).
    bool exec();
    void reset();
    int64_t i64(int col) const;
    std::string text(int col) const;
    bool is_null(int col) const;

private:
    Db* db_ = nullptr;
    sqlite3_stmt* st_ = nullptr;
    bool failed_ = false;
    std::string sql_;
    void release();
};

class Db {
public:
    Db() = default;
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    bool open(const std::string& path);
    void close();
    bool is_open() const { return db_ != nullptr; }
    // Runs one or more statements without results.
    bool exec(std::string_view sql);
    int64_t last_rowid() const;
    int changes() const;
    const std::string& error() const { return err_; }
    void set_error(std::string e) { err_ = std::move(e); }
    sqlite3* raw() { return db_; }

    // Convenience single-value queries.
    std::optional<int64_t> scalar_i64(std::string_view sql, std::initializer_list<std::string_view> args = {});

    // Statement pool used by Stmt.
    sqlite3_stmt* take(const std::string& sql);
    void give_back(const std::string& sql, sqlite3_stmt* st);

private:
    sqlite3* db_ = nullptr;
    std::string err_;
    std::unordered_map<std::string, std::vector<sqlite3_stmt*>> pool_;
};

// Scope guard for BEGIN IMMEDIATE ... COMMIT; rolls back unless committed.
class Txn {
public:
    explicit Txn(Db& db);
    ~Txn();
    Txn(const Txn&) = delete;
    Txn& operator=(const Txn&) = delete;
    bool ok() const { return ok_; }
    bool commit();

private:
    Db& db_;
    bool ok_ = false;
    bool done_ = false;
};

}  // namespace ccsub
