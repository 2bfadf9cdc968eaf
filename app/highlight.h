// The names a translation replaced, shown in a text area: the engine's report
// of every line collected as spans of the area's text, and painted as
// backgrounds of the lines in view only, so that a large result costs no
// more to show than a small one.
#pragma once

#include <QColor>
#include <QObject>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "trans/translate.h"
#include "trans/unknown_name.h"

class QPlainTextEdit;

namespace qualtren {

/// A stretch of a text area's document that a translation wrote: a replaced
/// name, or a whole comment line. Positions count characters of the
/// document, each line break as one.
struct THighlightSpan {
  uint32_t Start = 0;
  uint32_t Length = 0;
  bool Comment = false;
};

/// A name that no table knows, kept by a translation: where it stands in the
/// area's document (as THighlightSpan counts), and where in the input: its
/// line (from 0) and its byte offset in that line.
struct TUnknownSpan {
  uint32_t Start = 0;
  uint32_t Length = 0;
  uint32_t Line = 0;
  uint32_t Offset = 0;
};

/// Collects the spans of one UTF-8 translation from the engine's report of
/// each line, with positions as the text area will hold the result (its line
/// breaks made uniform, its characters counted in UTF-16 units). Words that the translation kept,
/// and names that it replaced by an empty text, give no span.
class THighlightCollector : public TLineObserver {
 public:
  /// The comment lines' prefix and suffix, as the translation writes them.
  THighlightCollector(std::string_view prefix, std::string_view suffix)
      : prefix_(prefix), suffix_(suffix) {}

  void OnLine(const TLineResult& line) override;

  /// The spans collected, in order of their positions.
  std::vector<THighlightSpan> TakeSpans() { return std::move(spans_); }
  /// The names that no table knows (as the report counts them), in order.
  std::vector<TUnknownSpan> TakeUnknown() { return std::move(unknown_); }
  /// How many names the translation replaced.
  uint64_t Replaced() const { return replaced_; }

 private:
  // Counts the UTF-16 units of the UTF-8 `text` as the document will hold
  // them: a CR LF pair, also one split between two pieces, is one line break.
  void Advance(std::string_view text);

  std::string_view prefix_;
  std::string_view suffix_;
  std::vector<THighlightSpan> spans_;
  std::vector<TUnknownSpan> unknown_;
  TUnknownNameFinder finder_{true};
  std::vector<const TWordResult*> lineUnknown_;
  uint64_t replaced_ = 0;
  uint32_t line_ = 0;
  uint64_t position_ = 0;
  bool afterCr_ = false;
};

/// Shows spans on a text area as background colours: replaced names in one,
/// whole comment lines in another; names that no table knows with a red wavy
/// underline and a tool tip. Only the lines in view carry them,
/// refreshed as the area scrolls or changes its size; a change of the area's
/// text drops them.
class TSpanHighlighter : public QObject {
  Q_OBJECT

 public:
  /// Made as a child of the area.
  explicit TSpanHighlighter(QPlainTextEdit& area);

  /// Shows `spans`, which describe the area's text as it stands now.
  void SetSpans(std::vector<THighlightSpan> spans);
  /// Replaces the area's text through `setText`, then shows `spans` on the
  /// new text. The marks come off first: the area would carry each one
  /// through the change of every line. When `setText` raises, the text and
  /// its marks stay as they were.
  void ReplaceText(const std::function<void()>& setText, std::vector<THighlightSpan> spans,
                   std::vector<TUnknownSpan> unknown = {});
  const std::vector<THighlightSpan>& Spans() const { return spans_; }
  const std::vector<TUnknownSpan>& Unknown() const { return unknown_; }
  /// The unknown name at a character position of the document, or nullptr.
  const TUnknownSpan* UnknownAt(int position) const;
  /// The tool tip of an unknown name: "No table knows 'Popust'".
  static QString UnknownToolTip(const QString& word);

  static QColor NameColor() { return QColor(255, 190, 0, 110); }
  static QColor CommentColor() { return QColor(40, 130, 255, 55); }
  static QColor UnknownColor() { return QColor(220, 0, 0); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowSpansInView();

  QPlainTextEdit& area_;
  QObject* viewport_;
  std::vector<THighlightSpan> spans_;
  std::vector<TUnknownSpan> unknown_;
};

}  // namespace qualtren
