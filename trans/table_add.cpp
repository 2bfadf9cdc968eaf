// The decisions of adding rows to a translation table: each row to add
// against the rows before it and against the first held row of its local
// name, found by the key the lookup tells names apart by.
#include "trans/table_add.h"

#include <algorithm>
#include <unordered_map>

#include "base/utf.h"
#include "trans/translate.h"

namespace qualtren {

namespace {

// The first row of a local name the table holds, and every record of it.
struct THeld {
  const TTransRow* First = nullptr;
  std::vector<int> Records;
};

class TDecider {
 public:
  TDecider(const std::vector<TTransRow>& rows, const TTableAddRules& rules,
           const std::function<std::string(size_t)>& placeOf)
      : rows_(rows), rules_(rules), placeOf_(placeOf) {}

  void ReadHeld(const std::vector<TTransRow>& held) {
    for (const TTransRow& r : held) {
      auto [it, isNew] = held_.emplace(TransNameKey(r.Scope, r.Local), THeld{&r, {}});
      (void)isNew;
      it->second.Records.push_back(r.Record);
    }
  }

  TTableAddDecision Decide() {
    std::unordered_map<std::string, size_t> earlier;  // local names of the rows, first row
    for (size_t i = 0; i < rows_.size(); ++i) {
      const TTransRow& row = rows_[i];
      if (const std::string refusal = RefusalOfEnglish(row.English); !refusal.empty()) {
        Refuse(i, refusal);
        continue;
      }
      const std::string key = TransNameKey(row.Scope, row.Local);
      if (const auto it = earlier.find(key); it != earlier.end()) {
        const TTransRow& first = rows_[it->second];
        if (first.English == row.English)
          ++d_.Skipped;
        else
          Refuse(i, Values(row) + " gives its local name another English name than " +
                        placeOf_(it->second) + " " + Values(first));
        continue;
      }
      earlier.emplace(key, i);
      const auto held = held_.find(key);
      if (held == held_.end()) {
        d_.Added.push_back(i);
      } else if (held->second.First->English == row.English) {
        ++d_.Skipped;
      } else if (rules_.Replace) {
        d_.Replaced.push_back(i);
        for (int record : held->second.Records)
          d_.ReplaceAt[record] = i;
      } else {
        Refuse(i, Values(row) + " gives its local name another English name than record " +
                      std::to_string(held->second.First->Record) + " of " + rules_.TableName + " " +
                      Values(*held->second.First) + " (--replace replaces it)");
      }
    }
    return std::move(d_);
  }

 private:
  // Why an English name cannot be added; empty when it can.
  std::string RefusalOfEnglish(const std::string& english) const {
    if (english.empty())
      return rules_.AllowEmpty
                 ? std::string()
                 : "the English name (" + rules_.EnglishField +
                       ") is empty: the row would make its word vanish from the translated SQL "
                       "(fill it in, leave the row out, or give --allow-empty)";
    if (rules_.RefuseSeparator && std::any_of(english.begin(), english.end(), IsSeparator))
      return "the English name (" + rules_.EnglishField + ") \"" + AnsiToUtf8(english) +
             "\" holds " + SeparatorIn(english) +
             ", where the translation cuts words: the translated SQL would get it as more "
             "than one word (write it as one word, or leave the row out)";
    return std::string();
  }

  void Refuse(size_t row, std::string reason) { d_.Refusals.push_back({row, std::move(reason)}); }

  // The names of a row that a refusal shows: ("table", "local", "English").
  std::string Values(const TTransRow& row) const {
    std::string out = "(";
    if (rules_.Kind == TNameKind::Column) out += "\"" + AnsiToUtf8(row.Scope) + "\", ";
    return out + "\"" + AnsiToUtf8(row.Local) + "\", \"" + AnsiToUtf8(row.English) + "\")";
  }

  const std::vector<TTransRow>& rows_;
  const TTableAddRules& rules_;
  const std::function<std::string(size_t)>& placeOf_;
  std::unordered_map<std::string, THeld> held_;
  TTableAddDecision d_;
};

}  // namespace

TTableAddDecision DecideTableAdd(const std::vector<TTransRow>& held,
                                 const std::vector<TTransRow>& rows, const TTableAddRules& rules,
                                 const std::function<std::string(size_t)>& placeOf) {
  TDecider decider(rows, rules, placeOf);
  decider.ReadHeld(held);
  return decider.Decide();
}

}  // namespace qualtren
