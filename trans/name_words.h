// The words of a name: a local or English name cut into words at case
// changes, underscores and digits; the folds under which two words are the
// same word (letter case, and optionally the diacritics of č ć š ž đ); and
// English words joined into a name in one of the four naming styles. Text is
// bytes in the active code page, as the tables hold it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qualtren {

/// How the words of a name are joined.
enum class TNameStyle : uint8_t {
  Pascal,     // InvoiceItemID
  Camel,      // invoiceItemID
  Snake,      // invoice_item_id
  UpperSnake  // INVOICE_ITEM_ID
};

class TWordFolder;

/// The style of a command-line name ("pascal", "camel", "snake",
/// "upper-snake"); nullopt for any other text.
std::optional<TNameStyle> NameStyleFromName(std::string_view name);

/// The style a name is written in; nullopt when it does not tell (one word
/// all in small or all in capital letters, or no letter at all).
std::optional<TNameStyle> StyleOfName(std::string_view name, const TWordFolder& folder);

/// One piece of a name as cut: a run of letters or a run of digits, as
/// written.
struct TNamePiece {
  std::string Text;
  bool Digits = false;
};

/// Cuts a name into runs of letters and runs of digits. A word ends at an
/// underscore or any other byte that is neither a letter nor a digit (those
/// bytes are dropped), between a digit and a letter, between a small and a
/// capital letter ("KolicinaNaStanju"), and before the last capital of a run
/// of capitals that a small letter follows ("IDKupca" -> "ID", "Kupca").
std::vector<TNamePiece> CutNamePieces(std::string_view name, const TWordFolder& folder);

/// The letter classes of the bytes of the active code page, and the folds
/// of words under it; built once from the code page's tables.
class TWordFolder {
 public:
  TWordFolder();

  bool IsLetter(uint8_t b) const { return letter_[b]; }
  bool IsUpper(uint8_t b) const { return upper_[b]; }
  bool IsLower(uint8_t b) const { return lower_[b]; }

  /// The word folded as the lookup folds names (the code page's capitals).
  std::string Fold(std::string_view word) const;
  /// The folded word with č ć as c, š as s, ž as z and đ as d.
  std::string FoldDiacritics(std::string_view folded) const;
  /// Whether the word holds a letter that FoldDiacritics changes.
  bool HasDiacritics(std::string_view word) const;
  /// Every form under which a folded glossary word holding đ is met
  /// without diacritics: each đ as d and as dj (at most 16 forms).
  std::vector<std::string> DiacriticForms(std::string_view folded) const;

  /// The word in small or capital letters of the code page.
  std::string Lower(std::string_view word) const;
  std::string Upper(std::string_view word) const;

 private:
  std::array<bool, 256> letter_{}, upper_{}, lower_{};
  std::array<uint8_t, 256> toLower_{}, toUpper_{};
  std::array<uint8_t, 256> plain_{};  // a byte without its diacritic (after folding)
  std::array<bool, 256> dStroke_{};   // đ or Đ
};

/// One English word of a composed name.
struct TEnglishWord {
  std::string Text;
  bool KeepForm = false;  // written as it stands in pascal and camel ("ID", "SQL")
  bool Digits = false;    // a run of digits of the local name, passed through
};

/// Joins English words in a style: pascal and camel give each word a
/// capital first letter and small ones after it (camel's first word all
/// small; a word that keeps its form stays as it is but for camel's first
/// word), snake and upper-snake join the words in small or capital letters
/// with underscores. Digits stand where they stood; in the snake styles
/// after an underscore.
std::string ComposeName(const std::vector<TEnglishWord>& words, TNameStyle style,
                        const TWordFolder& folder);

}  // namespace qualtren
