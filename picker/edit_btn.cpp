// TEditBtn: a one-line edit box with a small push button embedded at its right edge.
#include "picker/edit_btn.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>
#include <algorithm>
#include <memory>

namespace qualtren {

namespace {

constexpr int kMinHeight = 5;

bool IsCut(QKeyEvent* event) {
  return event->matches(QKeySequence::Cut);
}
bool IsPaste(QKeyEvent* event) {
  return event->matches(QKeySequence::Paste);
}

}  // namespace

TEditBtn::TEditBtn(QWidget* parent) : QLineEdit(parent), button_(new QToolButton(this)) {
  button_->setObjectName(QStringLiteral("Button"));
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setCursor(Qt::ArrowCursor);
  button_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button_->setGeometry(0, 0, 15, 17);
  // The button is seen only while the box has the focus.
  button_->hide();
  connect(button_, &QToolButton::clicked, this, [this] { ButtonClick(); });
  SetTextRect();
}

void TEditBtn::SetCtl3D(bool ctl3D) {
  ctl3D_ = ctl3D;
  PlaceButton();
  SetTextRect();
}

QString TEditBtn::Caption() const {
  return button_->text();
}

void TEditBtn::SetCaption(const QString& caption) {
  button_->setText(caption);
  ShowGlyph();
}

void TEditBtn::SetGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  ShowGlyph();
}

void TEditBtn::SetNumGlyphs(int numGlyphs) {
  numGlyphs_ = std::clamp(numGlyphs, 1, 4);
  ShowGlyph();
}

bool TEditBtn::AcceptChar(QChar) {
  return true;
}

void TEditBtn::ButtonClick() {
  if (isReadOnly()) {
    Beep();
    return;
  }
  if (onBtnClick_) onBtnClick_(this);
}

void TEditBtn::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  if (height() < kMinHeight) {
    // The new size runs this layout again.
    resize(width(), kMinHeight);
    return;
  }
  PlaceButton();
  SetTextRect();
}

void TEditBtn::PlaceButton() {
  const int buttonWidth = height();
  if (ctl3D_) {
    button_->setGeometry(width() - buttonWidth - 4, 0, buttonWidth, height() - 4);
  } else {
    button_->setGeometry(width() - buttonWidth, 1, buttonWidth, height() - 1);
  }
}

void TEditBtn::SetTextRect() {
  // Text never runs under the button.
  setTextMargins(0, 0, button_->width() + 2, 0);
}

void TEditBtn::ShowGlyph() {
  if (glyph_.isNull()) {
    button_->setIcon(QIcon());
    button_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return;
  }
  // Glyph holds NumGlyphs images side by side; the first is the normal one.
  const int imageWidth = glyph_.width() / numGlyphs_;
  button_->setIcon(QIcon(glyph_.copy(0, 0, imageWidth, glyph_.height())));
  button_->setIconSize(QSize(imageWidth, glyph_.height()));
  button_->setToolButtonStyle(button_->text().isEmpty() ? Qt::ToolButtonIconOnly
                                                        : Qt::ToolButtonTextBesideIcon);
}

void TEditBtn::focusInEvent(QFocusEvent* event) {
  const bool hadSelection = hasSelectedText();
  QLineEdit::focusInEvent(event);
  button_->show();
  // A left mouse press that brought the focus places the caret itself.
  const bool byLeftPress =
      event->reason() == Qt::MouseFocusReason &&
      !(QGuiApplication::mouseButtons() & (Qt::RightButton | Qt::MiddleButton));
  if (autoSelect_) {
    if (!byLeftPress) selectAll();
  } else if (!hadSelection && hasSelectedText()) {
    // The line edit selects everything on Tab by itself; without AutoSelect it
    // must not.
    deselect();
  }
}

void TEditBtn::focusOutEvent(QFocusEvent* event) {
  // A context menu borrows the focus without leaving the box.
  if (event->reason() != Qt::PopupFocusReason) button_->hide();
  QLineEdit::focusOutEvent(event);
}

void TEditBtn::keyPressEvent(QKeyEvent* event) {
  // F4 or Alt+Down presses the button, as they open a drop-down list.
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if ((event->key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
      (event->key() == Qt::Key_Down && modifiers == Qt::AltModifier)) {
    event->accept();
    ButtonClick();
    return;
  }
  if ((IsCut(event) || IsPaste(event)) && !MayChangeByClipboard()) {
    // Ignored without a sound.
    event->accept();
    return;
  }
  const QString text = event->text();
  if (!text.isEmpty() && text.front().isPrint() && RefusesAnyOf(text)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TEditBtn::inputMethodEvent(QInputMethodEvent* event) {
  if (RefusesAnyOf(event->commitString())) {
    event->accept();
    return;
  }
  QLineEdit::inputMethodEvent(event);
}

bool TEditBtn::RefusesAnyOf(const QString& text) {
  for (QChar ch : text) {
    if (!AcceptChar(ch)) {
      Beep();
      return true;
    }
  }
  return false;
}

void TEditBtn::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu(createStandardContextMenu());
  if (!MayChangeByClipboard()) {
    for (QAction* action : menu->actions()) {
      const QString name = action->objectName();
      if (name == QLatin1String("edit-cut") || name == QLatin1String("edit-paste")) {
        action->setEnabled(false);
      }
    }
  }
  menu->exec(event->globalPos());
}

void TEditBtn::mouseReleaseEvent(QMouseEvent* event) {
  // The middle button pastes the selection on some desktops.
  if (event->button() == Qt::MiddleButton && !MayChangeByClipboard()) {
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

bool TEditBtn::RefuseUnlessEditable(QEvent* event) const {
  if (MayChangeByClipboard()) return false;
  event->ignore();
  return true;
}

void TEditBtn::dragEnterEvent(QDragEnterEvent* event) {
  if (!RefuseUnlessEditable(event)) QLineEdit::dragEnterEvent(event);
}

void TEditBtn::dragMoveEvent(QDragMoveEvent* event) {
  if (!RefuseUnlessEditable(event)) QLineEdit::dragMoveEvent(event);
}

void TEditBtn::dropEvent(QDropEvent* event) {
  if (!RefuseUnlessEditable(event)) QLineEdit::dropEvent(event);
}

}  // namespace qualtren
