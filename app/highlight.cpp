// The names a translation replaced, collected from the engine's line reports
// and shown as backgrounds of the lines in view.
#include "app/highlight.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>
#include <algorithm>

namespace qualtren {

void THighlightCollector::Advance(std::string_view text) {
  for (const char c : text) {
    if (c == '\n' && afterCr_) {
      afterCr_ = false;
      continue;
    }
    afterCr_ = c == '\r';
    // The document counts UTF-16 units: the bytes that continue a UTF-8
    // sequence add none, and a four-byte sequence takes two.
    const auto b = static_cast<uint8_t>(c);
    if ((b & 0xC0) != 0x80) ++position_;
    if (b >= 0xF0) ++position_;
  }
}

void THighlightCollector::OnLine(const TLineResult& line) {
  if (line.Commented) {
    const uint64_t start = position_;
    Advance(prefix_);
    Advance(line.Input);
    Advance(suffix_);
    spans_.push_back(
        {static_cast<uint32_t>(start), static_cast<uint32_t>(position_ - start), true});
    Advance("\r\n");
  }
  lineUnknown_.clear();
  finder_.OnLine(line, [this](const TWordResult& w) { lineUnknown_.push_back(&w); });
  size_t nextUnknown = 0;
  size_t done = 0;  // of line.Output, counted into position_
  for (const TWordResult& word : line.Words) {
    const bool unknown = nextUnknown < lineUnknown_.size() && lineUnknown_[nextUnknown] == &word;
    if (unknown) ++nextUnknown;
    if (word.Result != TWordResult::Outcome::Kept) ++replaced_;
    if ((word.Result == TWordResult::Outcome::Kept && !unknown) || word.OutputLength == 0) continue;
    Advance(line.Output.substr(done, word.OutputOffset - done));
    const uint64_t start = position_;
    Advance(line.Output.substr(word.OutputOffset, word.OutputLength));
    done = word.OutputOffset + word.OutputLength;
    const auto length = static_cast<uint32_t>(position_ - start);
    if (unknown)
      unknown_.push_back(
          {static_cast<uint32_t>(start), length, line_, static_cast<uint32_t>(word.InputOffset)});
    else
      spans_.push_back({static_cast<uint32_t>(start), length, false});
  }
  Advance(line.Output.substr(done));
  Advance("\r\n");
  ++line_;
}

TSpanHighlighter::TSpanHighlighter(QPlainTextEdit& area)
    : QObject(&area), area_(area), viewport_(area.viewport()) {
  connect(area_.verticalScrollBar(), &QScrollBar::valueChanged, this,
          &TSpanHighlighter::ShowSpansInView);
  // The spans describe the text they were given with; an edit ends them.
  connect(area_.document(), &QTextDocument::contentsChange, this, [this] {
    if (spans_.empty() && unknown_.empty()) return;
    spans_.clear();
    unknown_.clear();
    // The selections may not change while the document is being edited.
    QMetaObject::invokeMethod(this, &TSpanHighlighter::ShowSpansInView, Qt::QueuedConnection);
  });
  viewport_->installEventFilter(this);
}

void TSpanHighlighter::SetSpans(std::vector<THighlightSpan> spans) {
  spans_ = std::move(spans);
  ShowSpansInView();
}

void TSpanHighlighter::ReplaceText(const std::function<void()>& setText,
                                   std::vector<THighlightSpan> spans,
                                   std::vector<TUnknownSpan> unknown) {
  area_.setExtraSelections({});
  try {
    setText();
  } catch (...) {
    ShowSpansInView();
    throw;
  }
  unknown_ = std::move(unknown);
  SetSpans(std::move(spans));
}

const TUnknownSpan* TSpanHighlighter::UnknownAt(int position) const {
  if (position < 0) return nullptr;
  const auto p = static_cast<uint32_t>(position);
  const auto it =
      std::upper_bound(unknown_.begin(), unknown_.end(), p,
                       [](uint32_t pos, const TUnknownSpan& s) { return pos < s.Start; });
  if (it == unknown_.begin()) return nullptr;
  const TUnknownSpan& span = *(it - 1);
  return p < span.Start + span.Length ? &span : nullptr;
}

QString TSpanHighlighter::UnknownToolTip(const QString& word) {
  return QStringLiteral("No table knows '%1'").arg(word);
}

bool TSpanHighlighter::eventFilter(QObject* watched, QEvent* event) {
  // The area may be in its destructor here: only the viewport's address is
  // compared.
  if (watched == viewport_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
    ShowSpansInView();
  if (watched == viewport_ && event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QTextCursor at = area_.cursorForPosition(help->pos());
    if (const TUnknownSpan* span = UnknownAt(at.position())) {
      // The character under the pointer may lie just past the word's end.
      QTextCursor word(area_.document());
      word.setPosition(static_cast<int>(span->Start));
      word.setPosition(static_cast<int>(span->Start + span->Length), QTextCursor::KeepAnchor);
      QToolTip::showText(help->globalPos(), UnknownToolTip(word.selectedText()), area_.viewport());
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void TSpanHighlighter::ShowSpansInView() {
  QList<QTextEdit::ExtraSelection> selections;
  if (!spans_.empty() || !unknown_.empty()) {
    // The characters of the blocks in view, from the first to the last.
    const QRect view = area_.viewport()->rect();
    const QTextBlock first = area_.cursorForPosition(view.topLeft()).block();
    const QTextBlock last = area_.cursorForPosition(view.bottomRight()).block();
    const uint32_t from = static_cast<uint32_t>(first.position());
    const uint32_t to = static_cast<uint32_t>(last.position() + last.length());

    QTextEdit::ExtraSelection name;
    name.format.setBackground(NameColor());
    QTextEdit::ExtraSelection comment;
    comment.format.setBackground(CommentColor());

    auto it = std::lower_bound(
        spans_.begin(), spans_.end(), from,
        [](const THighlightSpan& s, uint32_t pos) { return s.Start + s.Length <= pos; });
    for (; it != spans_.end() && it->Start < to; ++it) {
      QTextEdit::ExtraSelection selection = it->Comment ? comment : name;
      selection.cursor = QTextCursor(area_.document());
      selection.cursor.setPosition(static_cast<int>(it->Start));
      selection.cursor.setPosition(static_cast<int>(it->Start + it->Length),
                                   QTextCursor::KeepAnchor);
      selections.push_back(selection);
    }
    // Names that no table knows: a red wavy underline, the text as it is.
    QTextEdit::ExtraSelection unknown;
    unknown.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    unknown.format.setUnderlineColor(UnknownColor());
    auto u = std::lower_bound(
        unknown_.begin(), unknown_.end(), from,
        [](const TUnknownSpan& s, uint32_t pos) { return s.Start + s.Length <= pos; });
    for (; u != unknown_.end() && u->Start < to; ++u) {
      QTextEdit::ExtraSelection selection = unknown;
      selection.cursor = QTextCursor(area_.document());
      selection.cursor.setPosition(static_cast<int>(u->Start));
      selection.cursor.setPosition(static_cast<int>(u->Start + u->Length), QTextCursor::KeepAnchor);
      selections.push_back(selection);
    }
  }
  if (selections.isEmpty() && area_.extraSelections().isEmpty()) return;
  area_.setExtraSelections(selections);
}

}  // namespace qualtren
