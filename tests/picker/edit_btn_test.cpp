// Tests of TEditBtn: the embedded button, its layout, focus, typing and clipboard rules.
#include "picker/edit_btn.h"

#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>
#include <QWidget>
#include <QWindow>

#include "tests/picker/picker_fixture.h"

namespace qualtren::test {
namespace {

class EditBtnTest : public PickerTest {
 protected:
  void SetUp() override {
    PickerTest::SetUp();
    window_.resize(400, 200);
    box_ = new TEditBtn(&window_);
    box_->SetUserInterface(Ui());
    other_ = ShowWithNeighbour(window_, box_);
  }

  void Focus(QWidget* widget, Qt::FocusReason reason = Qt::TabFocusReason) {
    widget->setFocus(reason);
    QApplication::processEvents();
  }

  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(box_, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(box_, &release);
  }

  QWidget window_;
  TEditBtn* box_ = nullptr;
  QLineEdit* other_ = nullptr;
};

TEST_F(EditBtnTest, ButtonIsSeenOnlyWhileTheBoxHasTheFocus) {
  Focus(other_);
  ASSERT_TRUE(other_->hasFocus());
  EXPECT_FALSE(box_->Button()->isVisible());

  Focus(box_);
  ASSERT_TRUE(box_->hasFocus());
  EXPECT_TRUE(box_->Button()->isVisible());
  EXPECT_EQ(box_->Button()->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(box_->Button()->cursor().shape(), Qt::ArrowCursor);

  Focus(other_);
  EXPECT_FALSE(box_->Button()->isVisible());

  // A click on the button leaves the focus in the box.
  Focus(box_);
  box_->Button()->click();
  EXPECT_TRUE(box_->hasFocus());
}

TEST_F(EditBtnTest, ButtonSitsAtTheRightEdgeAndTheTextStopsBeforeIt) {
  EXPECT_EQ(box_->Button()->geometry(), QRect(248, 0, 21, 17));
  EXPECT_EQ(box_->textMargins().right(), 23);

  box_->resize(100, 30);
  EXPECT_EQ(box_->Button()->geometry(), QRect(66, 0, 30, 26));
  EXPECT_EQ(box_->textMargins().right(), 32);

  box_->SetCtl3D(false);
  EXPECT_EQ(box_->Button()->geometry(), QRect(70, 1, 30, 29));

  // A box lower than 5 pixels becomes 5 pixels high.
  box_->SetCtl3D(true);
  box_->resize(273, 3);
  EXPECT_EQ(box_->height(), 5);
  EXPECT_EQ(box_->Button()->geometry(), QRect(264, 0, 5, 1));
  box_->resize(273, 5);
  EXPECT_EQ(box_->height(), 5);
}

TEST_F(EditBtnTest, CaptionAndGlyphBelongToTheButton) {
  box_->SetCaption(QStringLiteral("..."));
  EXPECT_EQ(box_->Caption(), QStringLiteral("..."));
  EXPECT_EQ(box_->Button()->text(), QStringLiteral("..."));
  EXPECT_EQ(box_->Button()->toolButtonStyle(), Qt::ToolButtonTextOnly);

  QPixmap strip(32, 10);
  strip.fill(Qt::red);
  box_->SetGlyph(strip);
  box_->SetNumGlyphs(2);
  EXPECT_EQ(box_->NumGlyphs(), 2);
  EXPECT_EQ(box_->Button()->iconSize(), QSize(16, 10));
  EXPECT_EQ(box_->Button()->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
}

TEST_F(EditBtnTest, FocusByKeyboardSelectsAllButAMouseClickDoesNot) {
  box_->setText(QStringLiteral("some path"));
  Focus(other_);
  Focus(box_, Qt::TabFocusReason);
  EXPECT_EQ(box_->selectedText(), QStringLiteral("some path"));

  // A left press inside the box brings the focus through the window.
  Focus(other_);
  box_->deselect();
  const QPoint inside = box_->mapTo(&window_, QPoint(20, 10));
  QMouseEvent press(QEvent::MouseButtonPress, inside, window_.mapToGlobal(inside), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window_.windowHandle(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, inside, window_.mapToGlobal(inside),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(window_.windowHandle(), &release);
  ASSERT_TRUE(box_->hasFocus());
  EXPECT_TRUE(box_->selectedText().isEmpty());
  EXPECT_TRUE(box_->Button()->isVisible());

  // Without AutoSelect even Tab leaves the text unselected.
  Focus(other_);
  box_->deselect();
  box_->SetAutoSelect(false);
  Focus(box_, Qt::TabFocusReason);
  EXPECT_TRUE(box_->selectedText().isEmpty());
}

TEST_F(EditBtnTest, ButtonClickCallsTheHandlerUnlessReadOnly) {
  std::vector<TEditBtn*> senders;
  box_->SetOnBtnClick([&](TEditBtn* sender) { senders.push_back(sender); });
  Focus(box_);
  box_->Button()->click();
  ASSERT_EQ(senders.size(), 1u);
  EXPECT_EQ(senders[0], box_);
  EXPECT_EQ(beeps_, 0);

  box_->setReadOnly(true);
  box_->Button()->click();
  EXPECT_EQ(senders.size(), 1u);
  EXPECT_EQ(beeps_, 1);
}

TEST_F(EditBtnTest, F4OrAltDownPressesTheButton) {
  int presses = 0;
  box_->SetOnBtnClick([&](TEditBtn*) { ++presses; });
  Focus(box_);
  Key(Qt::Key_F4);
  Key(Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(presses, 2);
  Key(Qt::Key_Down);
  Key(Qt::Key_F4, Qt::ShiftModifier);
  EXPECT_EQ(presses, 2);
  box_->setReadOnly(true);
  Key(Qt::Key_F4);
  EXPECT_EQ(presses, 2);
  EXPECT_EQ(beeps_, 1);
}

TEST_F(EditBtnTest, EditorDisabledStillTypesButCutAndPasteDoNothing) {
  Focus(box_);
  QClipboard* clipboard = QApplication::clipboard();

  // With the editor enabled paste works, so the checks below can fail.
  clipboard->setText(QStringLiteral("XYZ"));
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(box_->text(), QStringLiteral("XYZ"));

  box_->SetEditorEnabled(false);
  box_->setText(QStringLiteral("ab"));
  box_->end(false);
  Key(Qt::Key_C, Qt::NoModifier, QStringLiteral("c"));
  EXPECT_EQ(box_->text(), QStringLiteral("abc"));

  clipboard->setText(QStringLiteral("XYZ"));
  Key(Qt::Key_V, Qt::ControlModifier);
  Key(Qt::Key_Insert, Qt::ShiftModifier);
  EXPECT_EQ(box_->text(), QStringLiteral("abc"));

  box_->selectAll();
  Key(Qt::Key_X, Qt::ControlModifier);
  Key(Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(box_->text(), QStringLiteral("abc"));
  EXPECT_EQ(clipboard->text(), QStringLiteral("XYZ"));

  // Copy is not restricted.
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard->text(), QStringLiteral("abc"));
  EXPECT_EQ(beeps_, 0);

  // Read-only blocks paste even with the editor enabled.
  box_->SetEditorEnabled(true);
  box_->setReadOnly(true);
  clipboard->setText(QStringLiteral("XYZ"));
  box_->deselect();
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(box_->text(), QStringLiteral("abc"));
}

// Accepts letters only.
class LettersBox : public TEditBtn {
 public:
  using TEditBtn::TEditBtn;
  bool AcceptChar(QChar ch) override { return ch.isLetter(); }
};

TEST_F(EditBtnTest, RefusedCharacterIsDroppedWithABeep) {
  auto* letters = new LettersBox(&window_);
  letters->SetUserInterface(Ui());
  letters->show();
  letters->setFocus();
  auto type = [&](const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(letters, &press);
  };
  type(QStringLiteral("a"));
  type(QStringLiteral("1"));
  type(QStringLiteral("b"));
  EXPECT_EQ(letters->text(), QStringLiteral("ab"));
  EXPECT_EQ(beeps_, 1);

  // The plain box accepts everything.
  Focus(box_);
  Key(Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
  EXPECT_EQ(box_->text(), QStringLiteral("1"));
  EXPECT_EQ(beeps_, 1);
}

}  // namespace
}  // namespace qualtren::test
