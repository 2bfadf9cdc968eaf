// "db verify": the statements of SQL files run on a database inside a
// transaction that is always rolled back; every statement it refuses is
// reported with its file and line.
#include <filesystem>
#include <ostream>

#include "base/stream.h"
#include "base/text_encoding.h"
#include "base/utf.h"
#include "cli/db_commands.h"
#include "db/statement_runner.h"
#include "trans/file_list.h"

namespace qualtren {

namespace {

// The files of the arguments: files as given, directories searched with the
// mask. Raises for a path that does not exist.
std::vector<std::string> VerifyFiles(const DbOptions& options) {
  std::vector<std::string> files;
  for (const std::string& path : options.Paths) {
    if (std::filesystem::is_directory(path)) {
      const TInputFiles found = ListInputFiles(path, options.Mask, "", options.Recursive);
      if (!found.Unreadable.empty())
        throw Exception(found.Unreadable.front() + ": the directory cannot be read");
      files.insert(files.end(), found.Files.begin(), found.Files.end());
    } else if (std::filesystem::exists(path)) {
      files.push_back(path);
    } else {
      throw EUsageError(path + ": no such file or directory");
    }
  }
  return files;
}

// The text of a file as UTF-8, the encoding decided by its bytes.
std::string ScriptText(const std::string& file) {
  const std::string bytes = ReadWholeFile(file);
  try {
    const TTextForm form = DetectTextForm(bytes, TEncodingRule::Auto);
    const std::string text = DecodeText(bytes, form);
    return form.Utf8() ? text : AnsiToUtf8(text);
  } catch (const EEncodingError& e) {
    throw Exception(file + ": " + e.Message());
  }
}

}  // namespace

int RunDbVerify(const DbOptions& options, CliIo& io) {
  const std::vector<std::string> files = VerifyFiles(options);
  std::unique_ptr<TDbConnection> db = OpenDb(options);
  const TDialect dialect =
      options.Dialect.Dialect != TDialect::None ? options.Dialect.Dialect : DialectOf(db->Flavor());
  size_t run = 0, failed = 0, notRun = 0;
  TStatementRunner runner(*db);
  for (const std::string& file : files) {
    const std::string text = ScriptText(file);
    for (const TSqlStatement& s : CutStatements(text, dialect)) {
      if (s.Role != TStatementRole::Run) {
        ++notRun;
        io.Out << file << ":" << s.Line << ": not run (" << NotRunReason(s.Role) << ")\n";
        continue;
      }
      ++run;
      std::string message;
      if (!runner.Run(s.Text, message)) {
        ++failed;
        io.Out << file << ":" << s.Line << ": " << message << "\n";
      }
    }
  }
  runner.Finish();
  io.Out << "verify: " << run << (run == 1 ? " statement, " : " statements, ") << failed
         << " failed, in " << files.size() << (files.size() == 1 ? " file" : " files");
  if (notRun > 0) io.Out << ", " << notRun << " not run";
  io.Out << "\n";
  io.Out.flush();
  if (!io.Out) throw EWriteError();
  return failed > 0 ? kExitFailed : kExitOk;
}

}  // namespace qualtren
