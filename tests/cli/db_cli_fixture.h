// qualtren-cli tests on a database of their own on the tests' PostgreSQL
// server, made before each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "cli/cli_fixture.h"
#include "db_server.h"

namespace qualtren::clitest {

/// A test of the fixture `TBase` (a CliTest) with a new database, its name
/// `stem` and a number, on the PostgreSQL server. A server that does not
/// start fails the test in SetUp.
template <class TBase>
class PostgresDbTest : public TBase {
 protected:
  explicit PostgresDbTest(std::string stem) : stem_(std::move(stem)) {}

  void SetUp() override {
    TBase::SetUp();
    pg_ = testsupport::TDbServers::Get().Postgres();
    ASSERT_NE(pg_, nullptr);
    db_ = pg_->NewDatabase(stem_);
  }
  /// The database's URL, quoted for the shell.
  std::string Url() const { return Quote(pg_->Url(db_)); }
  /// Runs SQL on the database; fails the test where it does not run.
  void Sql(const std::string& sql) const { ASSERT_EQ(pg_->Sql(db_, sql), 0) << sql; }
  /// The rows a query on the database gives, as TPostgresServer::Rows.
  std::string Rows(const std::string& sql) const { return pg_->Rows(db_, sql); }

  const testsupport::TPostgresServer* pg_ = nullptr;
  std::string db_;

 private:
  std::string stem_;
};

}  // namespace qualtren::clitest
