// The directory list and the drive box of the open-directory dialog.
#include "picker/dir_list.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cerrno>

namespace qualtren {

namespace {

constexpr int kItemHeight = 16;
constexpr int kIndentPerLevel = 10;

// Draws each entry indented by its depth below the root, 16 pixels high.
class LevelDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem shifted(option);
    shifted.rect.setLeft(option.rect.left() +
                         index.data(TDirectoryListBox::LevelRole).toInt() * kIndentPerLevel);
    QStyledItemDelegate::paint(painter, shifted, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(size.width() +
                  index.data(TDirectoryListBox::LevelRole).toInt() * kIndentPerLevel);
    size.setHeight(kItemHeight);
    return size;
  }
};

// True when the path lies on the file system mounted at root.
bool IsUnder(const QString& path, const QString& root) {
  if (root == QLatin1String("/")) return path.startsWith(u'/');
  return path == root || path.startsWith(root + u'/');
}

}  // namespace

// ---------------------------------------------------------------------------
// TDirectoryListBox

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new LevelDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { OpenEntry(row(item)); });
  directory_ = QDir::currentPath();
  Update();
}

void TDirectoryListBox::SetDirectory(const QString& text) {
  if (text.isEmpty()) return;
  const QString target = QDir::cleanPath(QDir::current().absoluteFilePath(text));
  if (target == directory_) return;
  if (::chdir(QFile::encodeName(target).constData()) != 0) throw EInOutError(errno);
  directory_ = QDir::currentPath();
  Update();
  emit DirectoryChanged(directory_);
}

void TDirectoryListBox::OpenEntry(int row) {
  QListWidgetItem* entry = item(row);
  if (entry == nullptr) return;
  try {
    SetDirectory(entry->data(PathRole).toString());
  } catch (const Exception& error) {
    // The list stays where it stood; rereading drops an entry that has gone.
    Update();
    ui_.ShowError(window(), QString::fromStdString(error.Message()));
  }
}

void TDirectoryListBox::Update() {
  clear();
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

  auto add = [this](const QString& text, const QString& path, int level, const QIcon& icon) {
    auto* entry = new QListWidgetItem(icon, text, this);
    entry->setData(PathRole, path);
    entry->setData(LevelRole, level);
  };

  // The root, then each directory on the path down to the current one.
  add(QStringLiteral("/"), QStringLiteral("/"), 0, openIcon);
  const QStringList levels = directory_.split(u'/', Qt::SkipEmptyParts);
  QString path;
  for (qsizetype i = 0; i < levels.size(); ++i) {
    path += u'/' + levels[i];
    add(levels[i], path, static_cast<int>(i + 1), openIcon);
  }
  const int currentRow = count() - 1;

  // The subdirectories of the current directory, sorted by name.
  const QDir dir(directory_);
  const QStringList children =
      dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  const int childLevel = static_cast<int>(levels.size()) + 1;
  for (const QString& name : children)
    add(name, dir.filePath(name), childLevel, closedIcon);

  setCurrentRow(currentRow);
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    OpenEntry(currentRow());
    event->accept();
    return;
  }
  QListWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------
// TDriveComboBox

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent) {
  Update();
  connect(this, &QComboBox::activated, this, &TDriveComboBox::ChooseDrive);
}

void TDriveComboBox::SetDirList(TDirectoryListBox* list) {
  if (dirList_ != nullptr) disconnect(dirList_, nullptr, this, nullptr);
  dirList_ = list;
  if (dirList_ == nullptr) return;
  connect(dirList_, &TDirectoryListBox::DirectoryChanged, this, &TDriveComboBox::Follow);
  Follow(dirList_->Directory());
}

QString TDriveComboBox::Drive(int index) const {
  return itemData(index).toString();
}

void TDriveComboBox::ChooseDrive(int index) {
  if (dirList_ == nullptr || index < 0 || index >= count()) return;
  try {
    dirList_->SetDirectory(Drive(index));
  } catch (const Exception& error) {
    Follow(dirList_->Directory());
    ui_.ShowError(window(), QString::fromStdString(error.Message()));
  }
}

void TDriveComboBox::Update() {
  QStringList roots;
  QStringList texts;
  roots << QStringLiteral("/");
  texts << QStringLiteral("/");
  QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
  std::sort(volumes.begin(), volumes.end(), [](const QStorageInfo& a, const QStorageInfo& b) {
    return a.rootPath() < b.rootPath();
  });
  for (const QStorageInfo& volume : volumes) {
    const QString root = volume.rootPath();
    if (root.isEmpty()) continue;
    const QString label = volume.name();
    const QString text = label.isEmpty() ? root : root + QStringLiteral(" [") + label + u']';
    const qsizetype known = roots.indexOf(root);
    if (known >= 0) {
      texts[known] = text;
      continue;
    }
    roots << root;
    texts << text;
  }

  const QSignalBlocker blocker(this);
  clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
  for (qsizetype i = 0; i < roots.size(); ++i)
    addItem(icon, texts[i], roots[i]);
  if (dirList_ != nullptr) Follow(dirList_->Directory());
}

void TDriveComboBox::Follow(const QString& directory) {
  // The file system whose root is the longest one above the directory.
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < count(); ++i) {
    const QString root = Drive(i);
    if (IsUnder(directory, root) && root.size() > bestLength) {
      best = i;
      bestLength = root.size();
    }
  }
  const QSignalBlocker blocker(this);
  setCurrentIndex(best);
}

}  // namespace qualtren
