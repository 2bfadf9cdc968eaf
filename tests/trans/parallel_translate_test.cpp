// The parallel driver against the one-thread translation: random texts cut
// into chunks of random sizes (keywords and line breaks at every chunk
// edge, chunks without a keyword, CR LF pairs cut in two, NUL bytes),
// translated by several workers, give the same bytes.
#include "trans/parallel_translate.h"

#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"
#include "base/stream.h"
#include "base/utf.h"
#include "random_translation.h"
#include "trans/name_dictionary.h"
#include "trans/translate.h"

namespace qualtren {
namespace {

using namespace randomtest;

TEST(ParallelTranslate, ChunksOfEverySizeGiveTheOneThreadBytes) {
  int rounds = 0;
  ForRandomTables(11, 600, BasicWords(), [&](Random& r, int round, const TransTables& refs) {
    const std::shared_ptr<const TNameDictionary> dictionary = TNameDictionary::Build(refs);
    if (!dictionary) return;  // a table without a field: the one-thread path serves
    ++rounds;
    TTranslateOptions options;
    options.TableName = TOuterText::FromAnsi(r.Pick(BasicWords().TableNames));
    options.Comment = r.Chance(40);
    options.Prefix = TOuterText::FromAnsi("-- ");
    options.Suffix = TOuterText::FromAnsi(r.Chance(50) ? " */" : "");
    const bool utf8 = r.Chance(30);
    std::string text;
    for (int part = 0, parts = 1 + static_cast<int>(r.Below(4)); part < parts; ++part)
      text += RandomText(r, BasicWords());
    if (utf8) text = AnsiToUtf8(text);
    const size_t chunk = 1 + r.Below(r.Chance(50) ? 8 : 200);
    options.Jobs = 1 + r.Below(3);
    SCOPED_TRACE(testing::Message() << "round " << round << " chunk " << chunk << " workers "
                                    << options.Jobs << " text '" << text << "'");
    std::string error;
    const std::string expected = TranslateText(refs, options, text, &error, nullptr,
                                               utf8 ? TTextEncoding::Utf8 : TTextEncoding::Ansi);
    ASSERT_EQ(error, "");

    TMemoryStream in(text), out;
    uint64_t bytesRead = 0;
    TParallelTranslator parallel(refs, dictionary, options, chunk);
    const bool sawNul = parallel.Run(in, out, options.TableName.For(utf8), utf8, bytesRead);
    EXPECT_EQ(out.Bytes(), expected);
    EXPECT_EQ(sawNul, text.find('\0') != std::string::npos);
  });
  EXPECT_GT(rounds, 400);
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
