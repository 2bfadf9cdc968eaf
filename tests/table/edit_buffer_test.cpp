// Tests of the edit buffer that a table keeps from one insert to the next:
// random appends, inserts, edits, deletes, posts and cancels (with strings,
// integers, memos, wide strings and variants, set, cleared or left null),
// reopening and restructuring, compared with a plain model of the records
// after every step.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "table/virtual_table.h"

namespace qualtren {
namespace {

using Row = std::vector<std::optional<std::string>>;

class EditBufferModel {
 public:
  explicit EditBufferModel(unsigned seed) : random_(seed) {
    t_.FieldDefs().Add("S", ftString, 6);
    t_.FieldDefs().Add("I", ftInteger);
    t_.FieldDefs().Add("M", ftMemo);
    t_.FieldDefs().Add("W", ftWideString, 4);
    t_.FieldDefs().Add("V", ftVariant);
    t_.Open();
  }

  void Step() {
    const int n = static_cast<int>(rows_.size());
    if (n > 0) t_.SetRecNo(Pick(n) + 1);
    const int at = n > 0 ? t_.RecNo() - 1 : 0;
    switch (Pick(10)) {
      case 0:
        if (n > 0) {
          t_.Delete();
          rows_.erase(rows_.begin() + at);
        }
        return;
      case 1:
        // Reopened, or restructured by one more field (a new layout).
        if (Pick(8) == 0 && t_.FieldDefs().Count() < 8) {
          t_.FieldDefs().Add("X" + std::to_string(t_.FieldDefs().Count()), ftString, 3);
          // The records go through a table image, where an empty text is null.
          for (Row& row : rows_) {
            for (auto& v : row)
              if (v && v->empty()) v.reset();
            row.emplace_back();
          }
        } else {
          t_.Close();
          t_.Open();
        }
        return;
      case 2:
        if (n > 0) {
          t_.Edit();
          Row row = rows_[static_cast<size_t>(at)];
          Write(row);
          if (Finish()) rows_[static_cast<size_t>(at)] = row;
          return;
        }
        [[fallthrough]];
      default: {
        const bool append = n == 0 || Pick(2) == 0;
        if (append)
          t_.Append();
        else
          t_.Insert();
        Row row(t_.FieldCount());
        Write(row);
        if (Finish()) rows_.insert(append ? rows_.end() : rows_.begin() + at, row);
        return;
      }
    }
  }

  void Check() {
    ASSERT_EQ(t_.RecordCount(), static_cast<int>(rows_.size()));
    size_t r = 0;
    for (t_.First(); !t_.Eof(); t_.Next(), ++r) {
      for (size_t f = 0; f < t_.FieldCount(); ++f) {
        const TField& field = t_.Field(f);
        const std::optional<std::string>& want = rows_[r][f];
        ASSERT_EQ(field.IsNull(), !want) << "record " << r << " field " << field.FieldName();
        if (want) {
          ASSERT_EQ(field.AsString(), *want) << "record " << r << " " << field.FieldName();
        }
      }
    }
  }

 private:
  int Pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

  // Letters, now and then with a zero among them.
  std::string Text(size_t max) {
    std::string s(static_cast<size_t>(Pick(static_cast<int>(max)) + 1), 'a');
    for (char& c : s)
      c = Pick(12) == 0 ? '\0' : static_cast<char>('a' + Pick(26));
    return s;
  }

  // A text field reads back up to its first zero, at most its size.
  static std::string AsText(const std::string& v, size_t size) {
    return v.substr(0, std::min(v.find('\0'), size));
  }

  // Sets, clears or leaves each field, some of them twice.
  void Write(Row& row) {
    for (int k = 0; k < 2; ++k) {
      for (size_t f = 0; f < t_.FieldCount(); ++f) {
        TField& field = t_.Field(f);
        switch (Pick(4)) {
          case 0:
            field.Clear();
            row[f].reset();
            break;
          case 1: {
            std::string v;
            if (field.DataType() == ftInteger) {
              v = std::to_string(Pick(20000) - 10000);
              field.SetAsInteger(std::stoi(v));
            } else if (field.DataType() == ftWideString) {
              v = Text(6);
              field.SetAsWideString(std::u16string(v.begin(), v.end()));
              v = AsText(v, 4);
            } else {
              v = Text(field.DataType() == ftString ? 9 : 90);
              field.SetAsString(v);
              if (field.DataType() == ftString) v = AsText(v, static_cast<size_t>(field.Size()));
            }
            row[f] = v;
            break;
          }
          default:
            break;
        }
      }
    }
  }

  // Posts or cancels; true when posted.
  bool Finish() {
    if (Pick(3) == 0) {
      t_.Cancel();
      return false;
    }
    t_.Post();
    return true;
  }

  std::mt19937 random_;
  TVirtualTable t_{"t"};
  std::vector<Row> rows_;
};

TEST(EditBuffer, RandomEditsMatchAModelOfTheRecords) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    EditBufferModel model(seed);
    for (int step = 0; step < 150; ++step) {
      model.Step();
      model.Check();
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace qualtren
