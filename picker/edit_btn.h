// TEditBtn: a one-line edit box with a small push button embedded at its right edge.
#pragma once

#include <QLineEdit>
#include <QPixmap>
#include <QString>
#include <functional>

#include "picker/user_interface.h"

class QToolButton;

namespace qualtren {

// The embedded button never takes the focus and is shown only while the box
// has it; pressing it, or F4 or Alt+Down in the box, runs ButtonClick, which
// calls OnBtnClick with the box.
class TEditBtn : public QLineEdit {
  Q_OBJECT

 public:
  using TBtnClickEvent = std::function<void(TEditBtn* sender)>;

  explicit TEditBtn(QWidget* parent = nullptr);

  // Whether cut and paste are carried out (typing is never blocked by it).
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool enabled) { editorEnabled_ = enabled; }

  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }

  // New-style borders: decides where the button sits inside the box.
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool ctl3D);

  // The embedded button's caption, image and number of images side by side.
  QString Caption() const;
  void SetCaption(const QString& caption);
  QPixmap Glyph() const { return glyph_; }
  void SetGlyph(const QPixmap& glyph);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int numGlyphs);

  const TBtnClickEvent& OnBtnClick() const { return onBtnClick_; }
  void SetOnBtnClick(TBtnClickEvent handler) { onBtnClick_ = std::move(handler); }

  // Whether a typed character may enter the box; every one may here.
  virtual bool AcceptChar(QChar ch);
  // Runs when the embedded button is clicked: beeps when the box is read-only,
  // else calls OnBtnClick.
  virtual void ButtonClick();

  QToolButton* Button() const { return button_; }

  /// The error box, beep and dialog runner the box and its dialogs use.
  const TUserInterface& UserInterface() const { return ui_; }
  void SetUserInterface(TUserInterface ui) { ui_ = std::move(ui); }
  /// The system's default beep, through the box's user interface.
  void Beep() const { ui_.SoundBeep(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool MayChangeByClipboard() const { return editorEnabled_ && !isReadOnly(); }
  // Whether AcceptChar refuses a character of typed text; the first one
  // refused beeps.
  bool RefusesAnyOf(const QString& text);
  // Ignores a drag or drop event while pasting may not change the text;
  // true when it did.
  bool RefuseUnlessEditable(QEvent* event) const;
  void PlaceButton();
  void SetTextRect();
  void ShowGlyph();

  QToolButton* button_;
  QPixmap glyph_;
  int numGlyphs_ = 1;
  bool editorEnabled_ = true;
  bool autoSelect_ = true;
  bool ctl3D_ = true;
  TBtnClickEvent onBtnClick_;
  TUserInterface ui_;
};

}  // namespace qualtren
