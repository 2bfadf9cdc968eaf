// The translate and files subcommands: the translation tables loaded as the
// window loads them, one text translated to standard output, and the files of
// one directory translated in place.
#include <filesystem>
#include <istream>
#include <ostream>

#include "base/stream.h"
#include "cli/commands.h"
#include "trans/file_list.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

namespace qualtren {

namespace {

std::string ReadAll(std::istream& in) {
  std::string bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    bytes.append(buffer, static_cast<size_t>(in.gcount()));
  if (in.bad()) throw EReadError();
  return bytes;
}

}  // namespace

TransTableSet::TransTableSet() {
  for (TVirtualTable* t : {&table_, &storedProc_, &tableStr_})
    t->SetFilterOptions(kTransTableFilterOptions);
}

void TransTableSet::Load(const std::string& dir) {
  auto path = [&dir](const char* name) {
    return dir.empty() ? std::string(name) : (std::filesystem::path(dir) / name).string();
  };
  LoadTransTable(table_, path(kTableNamesFile));
  LoadTransTable(storedProc_, path(kProcedureNamesFile));
  LoadTransTable(tableStr_, path(kColumnNamesFile));
}

int RunTranslate(const TranslateOptions& options, CliIo& io) {
  const bool fromStdin = options.File.empty() || options.File == "-";
  const std::string text = fromStdin ? ReadAll(io.In) : ReadWholeFile(options.File);
  // The driver ends a text at its first NUL byte; translating such input
  // would silently drop everything after it.
  if (text.find('\0') != std::string::npos)
    throw Exception((fromStdin ? std::string("standard input") : options.File) +
                    " holds a NUL byte");

  TransTableSet tables;
  tables.Load(options.TablesDir);
  std::string error;
  const std::string result =
      TranslateText(tables.Tables(), options.TableName, options.AutoTableName, text,
                    options.Comment, options.Prefix, options.Suffix, &error);
  io.Out.write(result.data(), static_cast<std::streamsize>(result.size()));
  io.Out.flush();
  if (!io.Out) throw EWriteError();
  if (!error.empty()) {
    io.Err << kMessagePrefix << error << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

int RunFiles(const FilesOptions& options, CliIo& io) {
  std::error_code ec;
  if (!std::filesystem::exists(options.Dir, ec))
    throw EUsageError("directory not found: " + options.Dir);
  if (!std::filesystem::is_directory(options.Dir, ec))
    throw EUsageError("not a directory: " + options.Dir);

  TransTableSet tables;
  tables.Load(options.TablesDir);

  // The list is taken before any file is touched, so that backup copies made
  // by this run are never translated by it.
  const std::string prefix = DirectoryPrefix(options.Dir);
  const std::vector<std::string> names = ListMatchingFiles(prefix, options.Mask);

  int translated = 0, untouched = 0, failed = 0;
  for (const std::string& name : names) {
    const std::string fileName = prefix + name;
    try {
      if (!options.Backup.empty()) CopyFileOverwrite(fileName, fileName + options.Backup);
      const std::string text = ReadWholeFile(fileName);
      if (text.find('\0') != std::string::npos) {
        io.Err << kMessagePrefix << "left untouched: " << fileName
               << ": the file holds a NUL byte\n";
        ++untouched;
        continue;
      }
      std::string error;
      const std::string result = TranslateText(tables.Tables(), "", false, text, options.Comment,
                                               options.Prefix, options.Suffix, &error);
      if (!error.empty()) {
        io.Err << kMessagePrefix << "left untouched: " << fileName
               << ": the translation failed: " << error << '\n';
        ++untouched;
        continue;
      }
      ReplaceFileContents(fileName, result);
      ++translated;
      if (options.Verbose) io.Err << "translated: " << fileName << '\n';
    } catch (const std::exception& e) {
      io.Err << kMessagePrefix << "failed: " << fileName << ": " << e.what() << '\n';
      ++failed;
    }
  }
  io.Err << "summary: " << translated << " translated, " << untouched << " left untouched, "
         << failed << " failed\n";
  return untouched == 0 && failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace qualtren
