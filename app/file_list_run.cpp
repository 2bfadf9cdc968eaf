// The window's run over a file list: each file of the directory that
// matches the mask goes through the text areas and the Translate command,
// and is committed with its group (backups, one sync, renames) as the
// command line commits its files; the progress, stopping between two files
// and the summary.
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <exception>
#include <optional>

#include "app/main_window.h"
#include "app/text_area.h"
#include "base/codepage.h"
#include "base/exception.h"
#include "base/text_encoding.h"
#include "base/utf.h"
#include "picker/edit_btn_dialog_file.h"
#include "trans/file_batch.h"
#include "trans/file_list.h"

namespace qualtren {

namespace {

// Files a group commits at most: each one waiting holds two descriptors.
constexpr size_t kFilesPerGroup = 64;

}  // namespace

TStreamOutcome TMain::TranslateThroughAreas(TStream& in, TStream& out) {
  const int64_t size = in.Size();
  if (static_cast<uint64_t>(size) > kMemoCapacity) throw Exception("Text exceeds memo capacity");
  in.SetPosition(0);
  const std::string bytes = in.ReadBytes(static_cast<size_t>(size));
  // The file is read by its byte-order mark or as UTF-8 when it reads as
  // UTF-8, else as ANSI, and written back in the same encoding and mark.
  TStreamOutcome outcome;
  std::string text;
  try {
    outcome.Form = DetectTextForm(bytes, TEncodingRule::Auto);
  } catch (const EEncodingError& e) {
    outcome.status = TStreamOutcome::Status::BadEncoding;
    outcome.Error = e.what();
    return outcome;
  }
  text = DecodeText(bytes, outcome.Form);
  // A text area ends its text at a NUL byte; rewriting would cut the file.
  if (text.find('\0') != std::string::npos) {
    outcome.status = TStreamOutcome::Status::HoldsNul;
    return outcome;
  }
  SetMemoText(*mSQL, outcome.Form.Utf8() ? text : AnsiToUtf8(text));
  const std::string failure = Translate();
  if (!failure.empty()) {
    outcome.status = TStreamOutcome::Status::Failed;
    outcome.Error = failure;
    return outcome;
  }
  std::string result = MemoText(*mSQLPre);
  if (!outcome.Form.Utf8()) {
    // Typed comment text may hold what an ANSI file cannot.
    std::string ansi;
    if (!Utf8ToAnsiExact(result, ansi)) {
      outcome.status = TStreamOutcome::Status::Failed;
      outcome.Error = "the translation holds a character that code page " +
                      std::to_string(ActiveCodePage()) + " cannot hold";
      return outcome;
    }
    result = std::move(ansi);
  }
  out.WriteBytes(EncodeText(result, outcome.Form));
  return outcome;
}

void TMain::RequestStop() {
  if (running_) stopRequested_ = true;
}

void TMain::bFileTransClick() {
  if (running_) {
    RequestStop();
    return;
  }
  Guarded([this] { RunFileList(); });
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    close();
  }
}

void TMain::RunFileList() {
  // Step 1: the options that a run over files needs.
  lAutoTableName->setChecked(false);
  lCopyClpBrd->setChecked(false);
  fTableName->setText(QString());

  // The directory and the mask are read once; the list is taken before the
  // first file is touched, so that the run never meets its own backups.
  const std::string prefix = DirectoryPrefix(FileNameBytes(fPath->text()));
  std::vector<std::string> files = ListMatchingFiles(prefix, FileNameBytes(fExt->text()));
  for (std::string& file : files)
    file.insert(0, prefix);

  // Files that the run leaves as they were, each with its reason.
  QStringList untouched;
  TRunCounts counts;

  struct RunState {
    TMain& main;
    explicit RunState(TMain& m) : main(m) {
      main.running_ = true;
      main.stopRequested_ = false;
      main.bFileTrans->setText(QStringLiteral("Stop"));
    }
    ~RunState() {
      main.running_ = false;
      main.stopRequested_ = false;
      main.bFileTrans->setText(QStringLiteral("File translate"));
    }
  };

  const auto reportUntouched = [&] {
    if (!untouched.isEmpty()) {
      ShowError(QStringLiteral("These files were left untouched:\n") + untouched.join(u'\n'));
    }
  };

  // Each file is translated into a temporary file and committed with its
  // group: the backups, one sync, the renames. The first file that fails
  // ends the run, and the files after it in its group stay as they were.
  const auto settle = [&](const std::vector<TCommittedFile>& committed) {
    for (const TCommittedFile& file : committed) {
      if (file.Skipped) continue;
      if (file.Error) std::rethrow_exception(file.Error);
      const QString name = FileNameToQString(file.Name);
      switch (file.Outcome.kind) {
        case TFileOutcome::Kind::Translated:
          ++counts.Translated;
          break;
        case TFileOutcome::Kind::HoldsNul:
          ++counts.Untouched;
          untouched << name + QStringLiteral(" (holds a NUL byte)");
          break;
        case TFileOutcome::Kind::BadEncoding:
          ++counts.Untouched;
          untouched << name + QStringLiteral(" (") + MessageToQString(file.Outcome.Error) + u')';
          break;
        case TFileOutcome::Kind::TranslationFailed:
          ++counts.Untouched;
          untouched << name + QStringLiteral(" (translation failed: ") +
                           MessageToQString(file.Outcome.Error) + u')';
          break;
      }
    }
  };

  try {
    RunState state(*this);
    std::optional<TFileBatch> batch;
    std::string backupEnding;
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
      const std::string& name = files[static_cast<std::size_t>(i)];
      ShowProgress(i + 1, count, FileNameToQString(name));
      // Commands the user started meanwhile run here, between two files.
      QCoreApplication::processEvents();
      repaint();
      if (ui_.FileProgress) ui_.FileProgress(i + 1, count, name);
      if (stopRequested_) {
        counts.Stopped = true;
        break;
      }
      // The backup's ending is read for every file; a new one starts a new batch.
      const std::string ending = FileNameBytes(fBackup->text());
      if (!batch || ending != backupEnding) {
        if (batch) settle(batch->Finish());
        TBatchOptions options;
        options.BackupEnding = backupEnding = ending;
        options.GroupFiles = kFilesPerGroup;
        options.StopAtFailure = true;
        batch.emplace(std::move(options));
      }
      TPreparedFile file = PrepareFile(
          [this](TStream& in, TStream& out) { return TranslateThroughAreas(in, out); }, name);
      const bool failed = file.Error != nullptr;
      settle(batch->Add(std::move(file)));
      if (failed) {
        settle(batch->Finish());
        batch.reset();
      }
    }
    if (batch) settle(batch->Finish());
  } catch (const std::exception& e) {
    // The run stops at this file; the text areas keep what they hold.
    ++counts.Failed;
    counts.Stopped = true;
    ShowSummary(counts);
    ShowError(MessageToQString(e.what()));
    reportUntouched();
    return;
  }

  ShowSummary(counts);
  mSQL->clear();
  mSQLPre->clear();
  reportUntouched();
}

void TMain::ShowProgress(int number, int count, const QString& fileName) {
  const QString prefix = QStringLiteral("File %1 of %2: ").arg(number).arg(count);
  const QFontMetrics metrics = lProgress->fontMetrics();
  const int width = lProgress->contentsRect().width();
  QString text = prefix + fileName;
  if (metrics.horizontalAdvance(text) > width) {
    // The directories give way first, from their middle; the file's own
    // name is cut only when it does not fit alone.
    const int room = width - metrics.horizontalAdvance(prefix);
    const qsizetype slash = fileName.lastIndexOf(u'/');
    const QString name = fileName.mid(slash + 1);
    const int nameWidth = metrics.horizontalAdvance(name);
    const QString ellipsis(QChar(0x2026));
    if (slash >= 0 && nameWidth + metrics.horizontalAdvance(ellipsis) <= room) {
      QString directories =
          metrics.elidedText(fileName.left(slash + 1), Qt::ElideMiddle, room - nameWidth);
      if (directories.isEmpty()) directories = ellipsis;
      text = prefix + directories + name;
    } else {
      text = prefix + metrics.elidedText(fileName, Qt::ElideMiddle, room);
    }
  }
  lProgress->setText(text);
  lProgress->setToolTip(prefix + fileName);
}

void TMain::ShowSummary(const TRunCounts& counts) {
  const QString text = QStringLiteral("%1: %2 translated, %3 left untouched, %4 failed")
                           .arg(counts.Stopped ? QStringLiteral("Stopped") : QStringLiteral("Done"))
                           .arg(counts.Translated)
                           .arg(counts.Untouched)
                           .arg(counts.Failed);
  lProgress->setText(
      lProgress->fontMetrics().elidedText(text, Qt::ElideRight, lProgress->contentsRect().width()));
  lProgress->setToolTip(text);
}

}  // namespace qualtren
