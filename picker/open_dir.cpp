// TOpenDir: the modal window in which the user picks a directory.
#include "picker/open_dir.h"

#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>

#include "picker/dir_list.h"

namespace qualtren {

namespace {

constexpr int kClientWidth = 287;
constexpr int kClientHeight = 430;
// Panel1's bevel (1) and inner border (3).
constexpr int kPanel1Inset = 4;
constexpr int kPanel2Height = 41;
constexpr int kPanel3Height = 40;

QFrame* MakePanel(const QString& name, QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(name);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(1);
  return panel;
}

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setDefault(false);
  button->setAutoDefault(false);
  return button;
}

// "MS Sans Serif" 8 pt where that font is installed, else the system's sans
// serif face at the same size.
QFont DialogFont() {
  const QString family = QStringLiteral("MS Sans Serif");
  QFont font = QFontDatabase::families().contains(family, Qt::CaseInsensitive)
                   ? QFont(family)
                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSize(8);
  return font;
}

}  // namespace

TOpenDir::TOpenDir(QWidget* parent, const TUserInterface& ui) : QDialog(parent) {
  setObjectName(QStringLiteral("OpenDir"));
  setWindowTitle(QStringLiteral("Open directory"));
  setSizeGripEnabled(false);
  setFont(DialogFont());
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);

  panel1_ = MakePanel(QStringLiteral("Panel1"), this);
  directoryListBox_ = new TDirectoryListBox(panel1_);
  directoryListBox_->setObjectName(QStringLiteral("DirectoryListBox"));
  directoryListBox_->SetUserInterface(ui);
  panel2_ = MakePanel(QStringLiteral("Panel2"), panel1_);
  driveComboBox_ = new TDriveComboBox(panel2_);
  driveComboBox_->setObjectName(QStringLiteral("DriveComboBox"));
  driveComboBox_->SetUserInterface(ui);
  driveComboBox_->SetDirList(directoryListBox_);
  panel3_ = MakePanel(QStringLiteral("Panel3"), panel1_);
  bOK_ = MakeButton(QStringLiteral("bOK"), QStringLiteral("&OK"), panel3_);
  bKonec_ = MakeButton(QStringLiteral("bKonec"), QStringLiteral("&Cancel"), panel3_);

  setTabOrder(directoryListBox_, driveComboBox_);
  setTabOrder(driveComboBox_, bOK_);
  setTabOrder(bOK_, bKonec_);

  connect(bOK_, &QPushButton::clicked, this, &QDialog::accept);
  connect(bKonec_, &QPushButton::clicked, this, &QDialog::reject);

  resize(kClientWidth, kClientHeight);
  PlaceControls();
  FormCreate();
}

void TOpenDir::FormCreate() {
  // The font stays as built above.
}

void TOpenDir::SetDirectory(const QString& directory) {
  directoryListBox_->SetDirectory(directory);
}

QString TOpenDir::Directory() const {
  return directoryListBox_->Directory();
}

void TOpenDir::keyPressEvent(QKeyEvent* event) {
  // No button is the default or the cancel button: Enter and Escape do not
  // close the window.
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TOpenDir::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceControls();
}

void TOpenDir::PlaceControls() {
  // The directory list takes up every change of size; the drive box follows
  // the width and Cancel keeps to the right edge.
  const int width = this->width();
  const int height = this->height();
  panel1_->setGeometry(0, 0, width, height);
  const int innerWidth = width - 2 * kPanel1Inset;
  const int panel3Top = height - kPanel1Inset - kPanel3Height;
  const int panel2Top = panel3Top - kPanel2Height;
  directoryListBox_->setGeometry(kPanel1Inset, kPanel1Inset, innerWidth, panel2Top - kPanel1Inset);
  panel2_->setGeometry(kPanel1Inset, panel2Top, innerWidth, kPanel2Height);
  panel3_->setGeometry(kPanel1Inset, panel3Top, innerWidth, kPanel3Height);
  driveComboBox_->setGeometry(8, 12, innerWidth - 16, 19);
  bOK_->setGeometry(8, 8, 75, 25);
  bKonec_->setGeometry(innerWidth - 86, 8, 75, 25);
}

}  // namespace qualtren
