// One translation table as the tables window shows and edits it: values read
// from the record store in place, the user's edits beside them, a filter and
// an order over row ids.
#include "app/tables_model.h"

#include <QBrush>
#include <QColor>
#include <QUndoStack>
#include <algorithm>
#include <numeric>

#include "app/tables_commands.h"
#include "app/text_area.h"
#include "base/codepage.h"
#include "table/filter.h"
#include "table/virtual_table.h"

namespace qualtren {

namespace {

// The byte each byte of the code page folds to for the filter and the
// order: its upper case, and with `stripMarks` the upper case of the letter
// without its marks where the code page holds that letter.
std::array<uint8_t, 256> FoldTable(bool stripMarks) {
  std::array<uint8_t, 256> table{};
  const uint8_t* upper = AnsiUpperTable();
  for (int b = 0; b < 256; ++b) {
    uint8_t out = upper[b];
    if (stripMarks && b >= 0x80) {
      const QString decomposed =
          QString(QChar(static_cast<char16_t>(AnsiToUnicode(static_cast<uint8_t>(b)))))
              .normalized(QString::NormalizationForm_D);
      uint8_t base = 0;
      if (!decomposed.isEmpty() && decomposed[0].unicode() < 0x80 && decomposed[0].isLetter() &&
          UnicodeToAnsi(decomposed[0].unicode(), base))
        out = upper[base];
    }
    table[static_cast<size_t>(b)] = out;
  }
  return table;
}

void FoldInto(std::string_view text, const std::array<uint8_t, 256>& fold, std::string& out) {
  out.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    out[i] = static_cast<char>(fold[static_cast<uint8_t>(text[i])]);
}

}  // namespace

TTransTableModel::TTransTableModel(TNameKind kind, TVirtualTable& table, QUndoStack& undo,
                                   QObject* parent)
    : QAbstractTableModel(parent), kind_(kind), table_(table), undo_(undo) {
  if (Layout().ScopeField) fields_.push_back(Scope);
  fields_.push_back(Local);
  fields_.push_back(English);
  Reload();
}

TTransTableModel::~TTransTableModel() = default;

void TTransTableModel::Reload() {
  beginResetModel();
  ForgetRows();
  fieldNo_ = {-1, -1, -1};
  const TTransTableLayout& layout = Layout();
  if (table_.FieldDefs().Count() > 0) {
    // The records in stored order, as the lookup reads them.
    table_.SetFiltered(false);
    table_.SetIndexFieldNames("");
    table_.Open();
    const TMemData& data = table_.Data();
    const char* names[3] = {layout.ScopeField, layout.LocalField, layout.EnglishField};
    bool inPlace = true;
    for (size_t v = 0; v < 3; ++v) {
      if (names[v] == nullptr) continue;
      const TFieldDesc* desc = data.Fields().Find(names[v]);
      if (desc == nullptr || desc->Kind != TFieldDescKind::Data || !IsAnsiTextType(desc->DataType))
        inPlace = false;
      else
        fieldNo_[v] = desc->FieldNo;
    }
    if (inPlace) {
      data_ = &data;
      rows_.reserve(data.ItemCount());
      int record = 0;
      for (const TItemHeader* i = data.FirstItem(); i; i = i->Next)
        rows_.push_back({i, ++record, -1, false});
    } else {
      // Fields of another type are read through their field objects, once.
      int record = 0;
      for (table_.First(); !table_.Eof(); table_.Next()) {
        TTransValues values;
        for (size_t v = 0; v < 3; ++v)
          if (names[v]) {
            TField* f = table_.FindField(names[v]);
            values[v] = f ? f->AsString() : std::string();
          }
        edits_.push_back(std::move(values));
        rows_.push_back({nullptr, ++record, static_cast<int32_t>(edits_.size() - 1), false});
      }
      copied_ = edits_;
    }
  }
  refusals_.resize(rows_.size());
  view_.resize(rows_.size());
  std::iota(view_.begin(), view_.end(), size_t{0});
  needle_.clear();
  sortColumn_ = -1;
  sortOrder_ = Qt::AscendingOrder;
  endResetModel();
}

void TTransTableModel::ForgetRows() {
  rows_.clear();
  edits_.clear();
  copied_.clear();
  refusals_.clear();
  view_.clear();
  data_ = nullptr;
}

void TTransTableModel::Clear() {
  beginResetModel();
  ForgetRows();
  endResetModel();
}

std::string_view TTransTableModel::LoadedValue(const TRow& row, TValue value) const {
  if (row.Record == 0) return {};
  if (row.Item == nullptr) return copied_[static_cast<size_t>(row.Record - 1)][value];
  if (fieldNo_[value] < 0) return {};
  std::string_view text;
  if (!data_->GetFieldText(fieldNo_[value], row.Item->Record(), text)) return {};
  return text;
}

std::string_view TTransTableModel::ValueView(const TRow& row, TValue value) const {
  if (row.Edit >= 0) return edits_[static_cast<size_t>(row.Edit)][value];
  return LoadedValue(row, value);
}

TTransValues TTransTableModel::Values(size_t id) const {
  TTransValues values;
  for (size_t v = 0; v < 3; ++v)
    values[v] = std::string(ValueView(rows_[id], static_cast<TValue>(v)));
  return values;
}

std::string TTransTableModel::Value(size_t id, TValue value) const {
  return std::string(ValueView(rows_[id], value));
}

bool TTransTableModel::Changed(size_t id) const {
  const TRow& row = rows_[id];
  if (row.Record == 0) return true;
  if (row.Edit < 0) return false;
  for (size_t v = 0; v < 3; ++v)
    if (ValueView(row, static_cast<TValue>(v)) != LoadedValue(row, static_cast<TValue>(v)))
      return true;
  return false;
}

QString TTransTableModel::Shown(std::string_view ansi) {
  return AnsiToQString(ansi);
}

int TTransTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(view_.size());
}

int TTransTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(fields_.size()) + 1;
}

int TTransTableModel::ColumnOf(TValue value) const {
  for (size_t c = 0; c < fields_.size(); ++c)
    if (fields_[c] == value) return static_cast<int>(c);
  return -1;
}

TTransTableModel::TValue TTransTableModel::ValueOf(int column) const {
  return fields_[static_cast<size_t>(column)];
}

QVariant TTransTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const size_t id = IdOf(index.row());
  const TRow& row = rows_[id];
  const bool refusal = index.column() == RefusalColumn();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (refusal) return QString::fromUtf8(refusals_[id]);
      return Shown(ValueView(row, ValueOf(index.column())));
    case Qt::ToolTipRole:
      if (refusal && !refusals_[id].empty()) return QString::fromUtf8(refusals_[id]);
      return {};
    case Qt::ForegroundRole:
      if (refusal) return QBrush(QColor(190, 0, 0));
      return {};
    case Qt::BackgroundRole:
      if (!refusals_[id].empty()) return QBrush(QColor(255, 220, 220));
      if (Changed(id)) return QBrush(QColor(255, 245, 200));
      return {};
    default:
      return {};
  }
}

bool TTransTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() == RefusalColumn()) return false;
  const QString text = value.toString();
  // The tables hold text of the code page; a name it cannot hold is refused.
  std::string ansi = QStringToAnsi(text);
  if (AnsiToQString(ansi) != text) return false;
  const size_t id = IdOf(index.row());
  const TValue v = ValueOf(index.column());
  if (Value(id, v) == ansi) return false;
  undo_.push(new TSetValueCommand(*this, id, v, std::move(ansi)));
  return true;
}

Qt::ItemFlags TTransTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() != RefusalColumn()) flags |= Qt::ItemIsEditable;
  return flags;
}

QVariant TTransTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) {
    const int record = rows_[IdOf(section)].Record;
    return record > 0 ? QVariant(record) : QVariant(QStringLiteral("new"));
  }
  if (section == RefusalColumn()) return QStringLiteral("Refused");
  const TTransTableLayout& layout = Layout();
  switch (ValueOf(section)) {
    case Scope:
      return QString::fromLatin1(layout.ScopeField);
    case Local:
      return QString::fromLatin1(layout.LocalField);
    case English:
      return QString::fromLatin1(layout.EnglishField);
  }
  return {};
}

void TTransTableModel::SetFilter(const QString& text, bool ignoreDiacritics) {
  const std::array<uint8_t, 256> fold = FoldTable(ignoreDiacritics);
  std::string ansi = QStringToAnsi(text);
  // A character that the code page lacks is in no name.
  const bool impossible = AnsiToQString(ansi) != text;
  std::string needle;
  FoldInto(ansi, fold, needle);
  beginResetModel();
  // Rows in view that were added since the last filter stay in view.
  std::vector<size_t> keep;
  for (size_t id : view_)
    if (rows_[id].Record == 0 && !rows_[id].Deleted) keep.push_back(id);
  view_.clear();
  std::string local, english;
  for (size_t id = 0; id < rows_.size(); ++id) {
    const TRow& row = rows_[id];
    if (row.Deleted) continue;
    if (!needle.empty()) {
      if (impossible && row.Record != 0) continue;
      FoldInto(ValueView(row, Local), fold, local);
      FoldInto(ValueView(row, English), fold, english);
      const bool match = local.find(needle) != std::string::npos ||
                         english.find(needle) != std::string::npos ||
                         std::find(keep.begin(), keep.end(), id) != keep.end();
      if (!match) continue;
    }
    view_.push_back(id);
  }
  needle_ = std::move(needle);
  ignoreDiacritics_ = ignoreDiacritics;
  ApplyOrder();
  endResetModel();
}

void TTransTableModel::sort(int column, Qt::SortOrder order) {
  if (column == RefusalColumn()) column = -1;
  beginResetModel();
  sortColumn_ = column;
  sortOrder_ = order;
  ApplyOrder();
  endResetModel();
}

void TTransTableModel::ApplyOrder() {
  // Loaded rows by record, added ones after them in the order added.
  auto stored = [this](size_t a, size_t b) {
    const int ra = rows_[a].Record, rb = rows_[b].Record;
    if ((ra == 0) != (rb == 0)) return rb == 0;
    return ra != 0 ? ra < rb : a < b;
  };
  if (sortColumn_ < 0 || sortColumn_ >= static_cast<int>(fields_.size())) {
    std::sort(view_.begin(), view_.end(), stored);
    if (sortOrder_ == Qt::DescendingOrder && sortColumn_ >= 0)
      std::reverse(view_.begin(), view_.end());
    return;
  }
  const std::array<uint8_t, 256> fold = FoldTable(false);
  const TValue value = ValueOf(sortColumn_);
  std::vector<std::string> keys(rows_.size());
  for (size_t id : view_)
    FoldInto(ValueView(rows_[id], value), fold, keys[id]);
  const bool descending = sortOrder_ == Qt::DescendingOrder;
  std::sort(view_.begin(), view_.end(), [&](size_t a, size_t b) {
    if (keys[a] != keys[b]) return descending ? keys[b] < keys[a] : keys[a] < keys[b];
    return stored(a, b);
  });
}

int TTransTableModel::RowOf(size_t id) const {
  const auto it = std::find(view_.begin(), view_.end(), id);
  return it == view_.end() ? -1 : static_cast<int>(it - view_.begin());
}

void TTransTableModel::SetValue(size_t id, TValue value, const std::string& text) {
  TRow& row = rows_[id];
  if (row.Edit < 0) {
    edits_.push_back(Values(id));
    row.Edit = static_cast<int32_t>(edits_.size() - 1);
  }
  edits_[static_cast<size_t>(row.Edit)][value] = text;
  const int r = RowOf(id);
  if (r >= 0) emit dataChanged(index(r, 0), index(r, columnCount() - 1));
}

size_t TTransTableModel::AddRow(const TTransValues& values) {
  edits_.push_back(values);
  const size_t id = rows_.size();
  rows_.push_back({nullptr, 0, static_cast<int32_t>(edits_.size() - 1), false});
  refusals_.emplace_back();
  const int r = static_cast<int>(view_.size());
  beginInsertRows({}, r, r);
  view_.push_back(id);
  endInsertRows();
  return id;
}

void TTransTableModel::SetDeleted(size_t id, bool deleted) {
  rows_[id].Deleted = deleted;
  const int r = RowOf(id);
  if (deleted && r >= 0) {
    beginRemoveRows({}, r, r);
    view_.erase(view_.begin() + r);
    endRemoveRows();
  } else if (!deleted && r < 0) {
    // Back where the order puts it.
    beginResetModel();
    view_.push_back(id);
    ApplyOrder();
    endResetModel();
  }
}

void TTransTableModel::SetRefusal(size_t id, std::string reason) {
  refusals_[id] = std::move(reason);
  const int r = RowOf(id);
  if (r >= 0) emit dataChanged(index(r, 0), index(r, columnCount() - 1));
}

void TTransTableModel::ClearRefusals() {
  for (size_t id = 0; id < refusals_.size(); ++id)
    if (!refusals_[id].empty()) SetRefusal(id, {});
}

std::vector<TTransRow> TTransTableModel::CurrentRows(std::vector<size_t>* ids) const {
  std::vector<size_t> order;
  order.reserve(rows_.size());
  for (size_t id = 0; id < rows_.size(); ++id)
    if (!rows_[id].Deleted && rows_[id].Record != 0) order.push_back(id);
  for (size_t id = 0; id < rows_.size(); ++id)
    if (!rows_[id].Deleted && rows_[id].Record == 0) order.push_back(id);
  std::vector<TTransRow> out;
  out.reserve(order.size());
  int record = 0;
  for (size_t id : order) {
    const TRow& row = rows_[id];
    out.push_back({++record, std::string(ValueView(row, Scope)), std::string(ValueView(row, Local)),
                   std::string(ValueView(row, English))});
  }
  if (ids) *ids = std::move(order);
  return out;
}

}  // namespace qualtren
