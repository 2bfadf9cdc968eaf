// TMain: the main window of the tool, with its options, text areas, buttons,
// translation tables and the handlers of its commands.
#include "app/main_window.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/highlight.h"
#include "app/tables_window.h"
#include "app/text_area.h"
#include "base/codepage.h"
#include "base/exception.h"
#include "base/stream.h"
#include "base/text_encoding.h"
#include "base/utf.h"
#include "picker/edit_btn_dialog_file.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

namespace qualtren {

namespace {

// The stored Data of an empty table: version 3, no field definitions, no
// field objects, no records.
constexpr char kEmptyTableImage[10] = {3, 0, 0, 0, 0, 0, 0, 0, 0, 0};

QFont WindowFont() {
  QFont font = QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"))
                   ? QFont(QStringLiteral("MS Sans Serif"))
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSize(8);
  return font;
}

template <class W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

// A label fits its text as the font needs: right-aligned labels keep their
// right edge, the others their left edge.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                  int width, int height, bool rightAligned) {
  auto* label = new QLabel(caption, parent);
  label->setAlignment((rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  const QSize hint = label->sizeHint();
  const int w = std::max(width, hint.width());
  const int h = std::max(height, hint.height());
  // A label that grows to the left stops short of the window's edge.
  const int x = rightAligned ? std::max(2, left + width - w) : left;
  return Place(label, name, x, top, w, h);
}

// A check box is made wide enough for its caption in the window's font.
QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption, bool checked,
                        int left, int top, int width, int height) {
  auto* box = new QCheckBox(caption, parent);
  box->setChecked(checked);
  return Place(box, name, left, top, std::max(width, box->sizeHint().width()), height);
}

// The width a push button needs for a caption: the text, the style's margin
// and frame, and a few pixels of air on either side.
int CaptionWidth(const QPushButton& button, const QString& caption) {
  constexpr int kAir = 4;
  const QStyle* style = button.style();
  return button.fontMetrics().horizontalAdvance(caption) +
         style->pixelMetric(QStyle::PM_ButtonMargin) +
         2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2 * kAir;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, int left, int top, int width,
                         int height) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memo->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  memo->setTabChangesFocus(true);
  return Place(memo, name, left, top, width, height);
}

// What the Translate command hears of a translation: the spans to highlight
// and the table whose lookup failed.
class TTranslateReport : public THighlightCollector {
 public:
  using THighlightCollector::THighlightCollector;
  void OnLookupFailed(std::string_view, TNameKind table) override { FailedTable = table; }
  std::optional<TNameKind> FailedTable;
};

}  // namespace

TMain::TMain(TMainUi ui, QWidget* parent) : QMainWindow(parent), ui_(std::move(ui)) {
  setObjectName(QStringLiteral("Main"));
  setWindowTitle(QStringLiteral("Qualtren"));
  setFont(WindowFont());
  CreateControls();
  CreateComponents();
  resize(kClientWidth, kClientHeight);
  move(327, 105);
  try {
    FormCreate();
  } catch (const std::exception& e) {
    ShowError(MessageToQString(e.what()));
  }
}

TMain::~TMain() = default;

void TMain::CreateControls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Client"));
  setCentralWidget(client);
  QWidget* c = client;

  Label1 = MakeLabel(c, "Label1", QStringLiteral("Table name:"), 6, 13, 59, 13, true);
  fTableName = Place(new QLineEdit(c), "fTableName", 80, 8, 185, 21);
  lAutoTableName =
      MakeCheckBox(c, "lAutoTableName", QStringLiteral("AutoTableName"), true, 80, 32, 185, 17);
  lCopyClpBrd = MakeCheckBox(c, "lCopyClpBrd", QStringLiteral("Copy result to ClipBoard"), true, 80,
                             48, 153, 17);
  Button1 = Place(new QPushButton(QStringLiteral("Save to VTD"), c), "Button1", 80, 72, 75, 25);
  Button1->setVisible(false);

  lComment = MakeCheckBox(c, "lComment", QStringLiteral("Add comment"), false, 336, 8, 97, 17);
  lPrefix = MakeLabel(c, "lPrefix", QStringLiteral("Prefix:"), 300, 37, 29, 13, true);
  fPrefix = Place(new QLineEdit(c), "fPrefix", 336, 32, 97, 21);
  lSufix = MakeLabel(c, "lSufix", QStringLiteral("Sufix:"), 303, 61, 26, 13, true);
  fSufix = Place(new QLineEdit(c), "fSufix", 336, 56, 97, 21);

  lFileList = MakeCheckBox(c, "lFileList", QStringLiteral("File list"), false, 488, 8, 97, 17);
  lPath = MakeLabel(c, "lPath", QStringLiteral("Path:"), 456, 37, 25, 13, true);
  fPath = Place(new TEditBtnDialogFile(c), "fPath", 488, 32, 273, 21);
  fPath->SetCaption(QStringLiteral("..."));
  fPath->SetNumGlyphs(1);
  fPath->SetDialogType(ebftOpenDir);
  fPath->SetUserInterface(ui_);
  lExt = MakeLabel(c, "lExt", QStringLiteral("Ext:"), 463, 61, 18, 13, true);
  fExt = Place(new QLineEdit(QStringLiteral("*.txt"), c), "fExt", 488, 56, 73, 21);
  lBackup = MakeLabel(c, "lBackup", QStringLiteral("Backup:"), 641, 61, 40, 13, true);
  fBackup = Place(new QLineEdit(QStringLiteral("bak"), c), "fBackup", 688, 56, 73, 21);

  bTrans = Place(new QPushButton(QStringLiteral("Translate"), c), "bTrans", 808, 8, 75, 25);
  bQuit = Place(new QPushButton(QStringLiteral("Quit"), c), "bQuit", 808, 40, 75, 25);
  bFileTrans =
      Place(new QPushButton(QStringLiteral("File translate"), c), "bFileTrans", 808, 72, 75, 25);

  // Buttons grow to fit their captions, as the labels do: the right column
  // keeps its right edge and one width for all three (wide enough for "Stop"
  // too), the hidden button keeps its left edge.
  int column = bTrans->width();
  for (QPushButton* button : {bTrans, bQuit, bFileTrans})
    column = std::max(column, CaptionWidth(*button, button->text()));
  column = std::max(column, CaptionWidth(*bFileTrans, QStringLiteral("Stop")));
  const int right = bTrans->geometry().right();
  for (QPushButton* button : {bTrans, bQuit, bFileTrans})
    button->setGeometry(right + 1 - column, button->y(), column, button->height());
  Button1->resize(std::max(Button1->width(), CaptionWidth(*Button1, Button1->text())),
                  Button1->height());

  Label2 = MakeLabel(c, "Label2", QStringLiteral("Original"), 8, 88, 35, 13, false);
  mSQL = MakeMemo(c, "mSQL", 8, 104, 881, 257);
  Label3 = MakeLabel(c, "Label3", QStringLiteral("Prevod"), 8, 368, 34, 13, false);
  mSQLPre = MakeMemo(c, "mSQLPre", 8, 384, 881, 257);
  mSQLPreHighlight = new TSpanHighlighter(*mSQLPre);
  // A .sql or .txt file dropped onto the upper area replaces its text.
  mSQL->viewport()->installEventFilter(this);

  lProgress = MakeLabel(c, "lProgress", QString(), 488, 84, 313, 13, false);
  lProgress->setTextFormat(Qt::PlainText);
  CreateTablesEntries();

  for (QWidget* w :
       {static_cast<QWidget*>(lPrefix), static_cast<QWidget*>(fPrefix),
        static_cast<QWidget*>(lSufix), static_cast<QWidget*>(fSufix), static_cast<QWidget*>(lPath),
        static_cast<QWidget*>(fPath), static_cast<QWidget*>(lExt), static_cast<QWidget*>(fExt),
        static_cast<QWidget*>(lBackup), static_cast<QWidget*>(fBackup),
        static_cast<QWidget*>(bFileTrans)}) {
    w->setVisible(false);
  }

  // Keyboard order; hidden controls are skipped by Qt.
  const QList<QWidget*> order = {
      mSQL,    bTrans, bQuit, fTableName, mSQLPre,    lAutoTableName, lCopyClpBrd, lComment,
      fPrefix, fSufix, fPath, lFileList,  bFileTrans, fExt,           fBackup,     Button1};
  for (qsizetype i = 0; i + 1 < order.size(); ++i)
    setTabOrder(order[i], order[i + 1]);
  mSQL->setFocus(Qt::OtherFocusReason);

  connect(bTrans, &QPushButton::clicked, this, [this] { bTransClick(); });
  connect(bQuit, &QPushButton::clicked, this, [this] { bQuitClick(); });
  connect(bFileTrans, &QPushButton::clicked, this, [this] { bFileTransClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(lComment, &QCheckBox::toggled, this, [this] { lCommentClick(); });
  connect(lFileList, &QCheckBox::toggled, this, [this] { lFileListClick(); });

  // Enter or Return on a focused button presses it, as Space does.
  for (QPushButton* button : {bTrans, bQuit, bFileTrans, Button1})
    button->setAutoDefault(true);
  // Ctrl+Return translates from anywhere in the window.
  for (const QKeySequence& keys :
       {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
    auto* translate = new QShortcut(keys, this);
    translate->setObjectName(QStringLiteral("TranslateShortcut"));
    connect(translate, &QShortcut::activated, this, [this] { bTransClick(); });
  }

  // Escape asks a running file-list translation to stop.
  auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  stop->setObjectName(QStringLiteral("StopShortcut"));
  connect(stop, &QShortcut::activated, this, [this] {
    if (running_) RequestStop();
  });
}

void TMain::CreateComponents() {
  // Each table starts from the empty image, as a form description gives it.
  for (TVirtualTable* table : {&tbTable_Trans, &tbSP_Trans, &tbTableStr_Trans, &vtdSave}) {
    TMemoryStream image(std::string(kEmptyTableImage, sizeof kEmptyTableImage));
    table->BeginLoading();
    table->ReadData(image);
    table->FinishLoading();
  }
  for (TClientDataSet* source : {&tbTable_DB, &tbTableStr_DB, &tbSP_DB}) {
    source->SetFilterOptions(foCaseInsensitive);
    source->SetFiltered(true);
  }
}

void TMain::FormCreate() {
  std::error_code error;
  tbFrom.DatabaseName = std::filesystem::current_path(error).string();
  LoadTransTable(tbTable_Trans, kTableNamesFile);
  LoadTransTable(tbSP_Trans, kProcedureNamesFile);
  LoadTransTable(tbTableStr_Trans, kColumnNamesFile);
}

void TMain::LoadTransTable(TVirtualTable& table, const std::string& fileName) {
  const TNameKind kind = &table == &tbTable_Trans ? TNameKind::Table
                         : &table == &tbSP_Trans  ? TNameKind::Procedure
                                                  : TNameKind::Column;
  std::string& notLoaded = notLoaded_[static_cast<size_t>(kind)];
  notLoaded = fileName;
  qualtren::LoadTransTable(table, fileName);
  notLoaded.clear();
}

void TMain::SaveTransTable(TDataSet& source, const std::string& fileName) {
  vtdSave.Close();
  vtdSave.SetFilter("");
  vtdSave.SetFiltered(false);
  vtdSave.SetIndexFieldNames("");
  vtdSave.ClearTable();
  vtdSave.CopyTable(&source);
  vtdSave.SaveTableFile(fileName);
}

void TMain::ShowError(const QString& message) {
  ui_.ShowError(this, message);
}

void TMain::Guarded(const std::function<void()>& body) {
  try {
    body();
  } catch (const std::exception& e) {
    ShowError(MessageToQString(e.what()));
  }
}

void TMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // mSQL follows the right edge; mSQLPre the right and the bottom edges.
  const int grow = event->size().width() - kClientWidth;
  const int growDown = event->size().height() - kClientHeight;
  mSQL->resize(std::max(0, 881 + grow), 257);
  mSQLPre->resize(std::max(0, 881 + grow), std::max(0, 257 + growDown));
}

void TMain::closeEvent(QCloseEvent* event) {
  // Unsaved edits of the tables are asked about first.
  if (tablesWindow_ != nullptr && tablesWindow_->isVisible() && !tablesWindow_->close()) {
    event->ignore();
    return;
  }
  if (running_) {
    // The run finishes its files first; the window closes after it.
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TMain::lCommentClick() {
  Guarded([this] {
    const bool on = lComment->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(fPrefix), static_cast<QWidget*>(lPrefix),
                       static_cast<QWidget*>(fSufix), static_cast<QWidget*>(lSufix)}) {
      w->setVisible(on);
    }
  });
}

void TMain::lFileListClick() {
  Guarded([this] {
    const bool on = lFileList->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(fPath), static_cast<QWidget*>(lPath),
                       static_cast<QWidget*>(bFileTrans), static_cast<QWidget*>(fExt),
                       static_cast<QWidget*>(lExt), static_cast<QWidget*>(fBackup),
                       static_cast<QWidget*>(lBackup)}) {
      w->setVisible(on);
    }
  });
}

void TMain::bQuitClick() {
  Guarded([this] { close(); });
}

void TMain::Button1Click() {
  Guarded([this] {
    SaveTransTable(tbTable_DB, kTableNamesFile);
    SaveTransTable(tbSP_DB, kProcedureNamesFile);
    SaveTransTable(tbTableStr_DB, kColumnNamesFile);
  });
}

std::string TMain::Translate() {
  // The window's text is Unicode: the engine works on its UTF-8 form, and
  // looks each word up in the code page of the tables.
  TTranslateOptions options;
  options.TableName = TOuterText::FromUtf8(QStringToUtf8(fTableName->text()));
  options.AutoTableName = lAutoTableName->isChecked();
  options.Comment = lComment->isChecked();
  options.Prefix = TOuterText::FromUtf8(QStringToUtf8(fPrefix->text()));
  options.Suffix = TOuterText::FromUtf8(QStringToUtf8(fSufix->text()));
  const std::string text = MemoText(*mSQL);

  std::string failure;
  TTranslateReport report(options.Prefix.Utf8, options.Suffix.Utf8);
  const std::string result =
      TranslateText(Tables(), options, text, &failure, &report, TTextEncoding::Utf8);
  // A failed translation gives back the input: nothing was replaced.
  std::vector<TUnknownSpan> unknown = report.TakeUnknown();
  mSQLPreHighlight->ReplaceText(
      [&] { SetMemoText(*mSQLPre, result); },
      failure.empty() ? report.TakeSpans() : std::vector<THighlightSpan>(),
      failure.empty() ? std::move(unknown) : std::vector<TUnknownSpan>());
  lastReplaced_ = failure.empty() ? report.Replaced() : 0;
  lastUnknown_ = mSQLPreHighlight->Unknown().size();
  lastInput_ = text;
  // A table left empty at start-up fails every lookup that reaches it.
  if (!failure.empty() && report.FailedTable) {
    const std::string& file = notLoaded_[static_cast<size_t>(*report.FailedTable)];
    if (!file.empty()) failure += "; " + file + " was not loaded";
  }

  if (lCopyClpBrd->isChecked()) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) throw Exception("Cannot open clipboard");
    clipboard->setText(Utf8ToQString(MemoText(*mSQLPre)), QClipboard::Clipboard);
  }
  return failure;
}

void TMain::bTransClick() {
  Guarded([this] {
    const std::string failure = Translate();
    ShowTranslateSummary();
    if (!failure.empty()) {
      ShowError(QStringLiteral("Translation failed: ") + MessageToQString(failure));
    }
  });
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == mSQL->viewport()) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (!DroppedFile(drag->mimeData()).isEmpty()) {
        drag->acceptProposedAction();
        return true;
      }
    } else if (event->type() == QEvent::Drop) {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString file = DroppedFile(drop->mimeData());
      if (!file.isEmpty()) {
        drop->acceptProposedAction();
        mSQLDragDrop(file);
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

QString TMain::DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  if (!url.isLocalFile()) return {};
  const QString file = url.toLocalFile();
  return file.endsWith(QStringLiteral(".sql"), Qt::CaseInsensitive) ||
                 file.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)
             ? file
             : QString();
}

void TMain::mSQLDragDrop(const QString& fileName) {
  Guarded([&] {
    const std::string name = FileNameBytes(fileName);
    const std::string bytes = ReadWholeFile(name);
    TTextForm form;
    try {
      form = DetectTextForm(bytes, TEncodingRule::Auto);
    } catch (const EEncodingError& e) {
      throw Exception(name + ": " + e.what());
    }
    const std::string text = DecodeText(bytes, form);
    // A text area would end the text at a NUL byte.
    if (text.find('\0') != std::string::npos) throw Exception(name + " holds a NUL byte");
    SetMemoText(*mSQL, form.Utf8() ? text : AnsiToUtf8(text));
  });
}

}  // namespace qualtren
