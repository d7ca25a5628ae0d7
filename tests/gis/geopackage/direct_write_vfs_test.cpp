#include "gis/geopackage/direct_write_vfs.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>

namespace kestrune {
namespace {

using test::TempDir;

// A connection that closes with its owner.
struct Database {
    Database(const std::string& path, const char* vfs) {
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, vfs), SQLITE_OK);
    }
    ~Database() { sqlite3_close(db); }
    void execute(const std::string& sql) const {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
    }
    // The rows of table t: id and blob.
    std::map<std::int64_t, std::string> rows() const {
        std::map<std::int64_t, std::string> found;
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT id, data FROM t", -1, &select, nullptr);
        while (sqlite3_step(select) == SQLITE_ROW)
            found[sqlite3_column_int64(select, 0)] =
                std::string(static_cast<const char*>(sqlite3_column_blob(select, 1)), sqlite3_column_bytes(select, 1));
        sqlite3_finalize(select);
        return found;
    }
    sqlite3* db = nullptr;
};

// A database many times SQLite's cache, written as the GeoPackage writer
// writes (large pages, no journal, one transaction) with rows changed and
// read back while it grows: pages rewritten, pages read back while runs of
// pages wait for the disk. Read again after closing, by the system's own
// layer, every row holds what was last written.
TEST(DirectWriteVfs, WhatSqliteReadsBackAndTheFileHoldTheLastBytesWritten) {
    TempDir temp;
    const std::string path = temp.file("big.sqlite");
    std::map<std::int64_t, std::string> expected;
    {
        Database written(path, directWriteVfs());
        written.execute(
            "PRAGMA page_size = 65536; PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;"
            " PRAGMA locking_mode = EXCLUSIVE; PRAGMA cache_size = -1024; BEGIN;"
            " CREATE TABLE t (id INTEGER PRIMARY KEY, data BLOB);");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(written.db, "INSERT OR REPLACE INTO t VALUES (?, ?)", -1, &insert, nullptr);
        std::mt19937 random(5);
        for (int i = 0; i < 3000; ++i) {
            // Mostly new rows, some replaced: SQLite goes back to pages long written.
            const std::int64_t id = i % 7 == 6 ? static_cast<std::int64_t>(random() % i) : i;
            std::string data(random() % 20000 + 1, '\0');
            for (char& c : data) c = static_cast<char>(random());
            sqlite3_bind_int64(insert, 1, id);
            sqlite3_bind_blob(insert, 2, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
            ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
            sqlite3_reset(insert);
            expected[id] = data;
            if (i % 1000 == 999) {
                EXPECT_TRUE(written.rows() == expected) << "after row " << i;
            }
        }
        sqlite3_finalize(insert);
        written.execute("COMMIT");
    }
    Database read(path, nullptr);
    const auto rows = read.rows();
    EXPECT_EQ(rows.size(), expected.size());
    EXPECT_TRUE(rows == expected);
    read.execute("PRAGMA integrity_check");
}

}  // namespace
}  // namespace kestrune
