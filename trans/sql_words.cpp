// The keyword list, numbers and letters of SQL words.
#include "trans/sql_words.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/ascii.h"
#include "base/letters.h"
#include "base/utf.h"

namespace qualtren {

namespace {

// Every keyword in lower case, separated by blanks; a word may stand in more
// than one group. A "*" in front marks a word that T-SQL, PL/SQL, PostgreSQL
// or MySQL reserves: written bare as a name, it makes a statement of that
// dialect that does not parse. (Standard SQL reserves more, "year" and "value"
// among them, which none of the four does.)
constexpr std::string_view kKeywords =
    // The reserved words of standard SQL (SQL-92 to SQL:2016).
    "abs absolute acos action *add *all allocate *alter *and *any are *array array_agg "
    "array_max_cardinality *as *asc *asensitive asin assertion *asymmetric at atan atomic "
    "*authorization avg *begin begin_frame begin_partition *between *bigint *binary bit "
    "bit_length *blob boolean *both *by *call called cardinality *cascade cascaded *case *cast "
    "catalog ceil ceiling *char char_length *character character_length *check classifier clob "
    "*close *coalesce *collate *collation collect *column *commit *condition *connect connection "
    "*constraint constraints *contains *continue *convert copy corr corresponding cos cosh count "
    "covar_pop covar_samp *create *cross *cube *cume_dist *current *current_catalog *current_date "
    "current_default_transform_group current_path *current_role current_row *current_schema "
    "*current_time *current_timestamp current_transform_group_for_type *current_user *cursor "
    "cycle *date day *deallocate *dec decfloat *decimal *declare *default *deferrable deferred "
    "define *delete *dense_rank deref *desc *describe descriptor *deterministic diagnostics "
    "disconnect *distinct domain *double *drop dynamic *each element *else *empty *end end-exec "
    "end_frame end_partition equals *escape every *except exception *exec *execute *exists exp "
    "*external extract *false *fetch filter first *first_value *float floor *for *foreign found "
    "frame_row free *from *full *function fusion *get global go *goto *grant *group *grouping "
    "*groups *having hold hour *identity *immediate *in indicator *initial *initially *inner "
    "*inout input *insensitive *insert *int *integer *intersect intersection *interval *into *is "
    "isolation *join json_array json_arrayagg json_exists json_object json_objectagg json_query "
    "*json_table json_table_primitive json_value *key *lag language large last *last_value "
    "*lateral *lead *leading *left *level *like like_regex listagg ln local *localtime "
    "*localtimestamp log log10 lower *match match_number match_recognize matches max measures "
    "member *merge method min minute *mod *modifies module month multiset names *national "
    "*natural nchar nclob new next no none normalize *not *nth_value *ntile *null *nullif "
    "*numeric occurrences_regex octet_length *of *offset old omit *on one *only *open *option *or "
    "*order *out *outer output *over *overlaps overlay pad parameter partial *partition pattern "
    "per *percent *percent_rank percentile_cont percentile_disc period portion position "
    "position_regex power precedes *precision prepare preserve *primary *prior privileges "
    "*procedure ptf *public *range *rank *read *reads *real *recursive ref *references "
    "referencing regr_avgx regr_avgy regr_count regr_intercept regr_r2 regr_slope regr_sxx "
    "regr_sxy regr_syy relative *release *restrict result *return returns *revoke *right role "
    "*rollback rollup *row *row_number *rows running savepoint *schema scope scroll search second "
    "section seek *select *sensitive *session *session_user *set *show *similar sin sinh *size "
    "skip *smallint *some space *specific specifictype *sql sqlcode sqlerror *sqlexception "
    "*sqlstate *sqlwarning sqrt *start static stddev_pop stddev_samp submultiset subset substring "
    "substring_regex succeeds sum *symmetric *system system_time *system_user *table *tablesample "
    "tan tanh temporary *then time timestamp timezone_hour timezone_minute *to *trailing "
    "*transaction translate translate_regex translation treat *trigger trim trim_array *true "
    "*truncate uescape *union *unique unknown unnest *update upper *usage *user *using value "
    "value_of *values var_pop var_samp *varbinary *varchar *varying versioning *view *when "
    "*whenever *where *while width_bucket *window *with within without work *write year zone "
    // T-SQL: reserved words, types, hints and common built-in functions.
    "apply *backup *break *browse *bulk catch charindex *checkpoint choose *clustered *compute "
    "concat *containstable *database datalength dateadd datediff datename datepart datetime "
    "datetime2 datetimeoffset *dbcc dbo deleted *deny *disk *distributed *dump *errlvl *exit "
    "*file *fillfactor format *freetext *freetexttable getdate getutcdate *holdlock "
    "*identity_insert *identitycol *if iif image *index inserted *isnull *kill len *lineno *load "
    "ltrim matched maxdop money newid *nocheck nocount nolock *nonclustered ntext nvarchar *off "
    "*offsets *opendatasource *openquery *openrowset *openxml *pivot *plan *print *proc "
    "*raiserror readpast *readtext recompile *reconfigure *replace replicate *replication "
    "*restore *revert round *rowcount *rowguidcol rowlock rowversion rtrim *rule *save "
    "scope_identity *securityaudit *semantickeyphrasetable *setuser *shutdown smalldatetime "
    "smallmoney source *statistics stuff sys sysdatetime sysname tablock target text *textsize "
    "throw *tinyint *top *tran try try_cast *try_convert *tsequal uniqueidentifier *unpivot "
    "*updatetext updlock *use *waitfor *writetext xact_abort xlock xml "
    "*semanticsimilaritydetailstable *semanticsimilaritytable "
    // PL/SQL: reserved words, types, packages and common built-in functions.
    "*access add_months *audit bfile binary_integer body *cluster *comment *compress "
    "connect_by_root constant currval dbms_output decode *dual elsif *exclusive forall greatest "
    "*identified *increment instr is_open isopen last_day least length *lock *long *loop "
    "*maxextents *minus *mlslabel *mode *modify months_between nextval no_data_found *noaudit "
    "*nocompress notfound *nowait *number nvarchar2 nvl nvl2 *offline *online others package "
    "*pctfree pls_integer pragma put_line raise *raw record regexp_instr regexp_like "
    "regexp_replace regexp_substr *rename *resource *returning reverse *rowid *rownum rowtype "
    "*share sqlerrm subtype substr *successful *synonym *sysdate systimestamp to_char to_date "
    "to_number to_timestamp too_many_rows trunc type *uid *validate *varchar2 xmltype "
    // PostgreSQL: reserved words, types and common built-in functions.
    "age *analyse *analyze bigserial bytea cidr *concurrently conflict date_part date_trunc *do "
    "enum epoch excluded extension *freeze generate_series *ilike inet inherit inherits json "
    "jsonb *limit listen macaddr materialized notify *notnull nothing notice now oid owned owner "
    "perform *placing plpgsql refresh regclass reindex serial setof smallserial string_agg "
    "tablespace timestamptz timetz unlogged uuid vacuum *variadic *verbose void "
    // MySQL: reserved words, types and common built-in functions.
    "*accessible auto_increment *change charset concat_ws curdate curtime *databases date_add "
    "date_format date_sub *day_hour *day_microsecond *day_minute *day_second definer *delayed "
    "delimiter *distinctrow *div duplicate elt *enclosed engine *escaped *explain field fields "
    "find_in_set *force *fulltext group_concat *high_priority *hour_minute *hour_second ifnull "
    "*ignore *infile innodb invoker *keys last_insert_id lcase *lines locate *longblob *longtext "
    "*low_priority *mediumblob *mediumint *mediumtext mid *minute_second myisam *optimize "
    "*optionally *outfile *purge *regexp *rlike *schemas *separator *spatial *sql_calc_found_rows "
    "str_to_date *straight_join tables *terminated *tinyblob *tinytext ucase unix_timestamp "
    "*unlock *unsigned utf8 utf8mb4 *xor *year_month *zerofill *before *elseif *float4 *float8 "
    "*generated *hour_microsecond *int1 *int2 *int3 *int4 *int8 *io_after_gtids *io_before_gtids "
    "*iterate *leave *linear *master_bind *master_ssl_verify_server_cert *maxvalue *middleint "
    "*minute_microsecond *no_write_to_binlog *optimizer_costs *read_write *repeat *require "
    "*resignal *second_microsecond *signal *sql_big_result *sql_small_result *ssl *starting "
    "*stored *undo *utc_date *utc_time *utc_timestamp *varcharacter *virtual ";

struct TKeywordSet {
  std::unordered_map<std::string_view, bool> Words;  // each keyword, and whether it is reserved
  size_t Longest = 0;
  TKeywordSet() {
    size_t p = 0;
    while (p < kKeywords.size()) {
      const size_t q = kKeywords.find(' ', p);
      if (q > p) {
        std::string_view word = kKeywords.substr(p, q - p);
        const bool reserved = word.front() == '*';
        if (reserved) word.remove_prefix(1);
        Words[word] |= reserved;
        Longest = std::max(Longest, word.size());
      }
      p = q + 1;
    }
  }
};

const TKeywordSet& Keywords() {
  static const TKeywordSet set;
  return set;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether a code point is a letter, for the scripts the code pages carry:
// Latin (but the signs of multiplication and division), Greek, Cyrillic,
// Hebrew, Arabic and Thai; the signs from U+2000 on are none.
bool IsLetterCodePoint(char32_t cp) {
  if (cp == 0xAA || cp == 0xB5 || cp == 0xBA) return true;
  if (cp < 0xC0 || cp == 0xD7 || cp == 0xF7) return false;
  return cp < 0x2000;
}

}  // namespace

namespace {

// The entry of a word in the keyword list, letter case of A to Z ignored;
// nullptr when it is none.
const bool* KeywordEntry(std::string_view word) {
  const TKeywordSet& set = Keywords();
  char lowered[64];
  if (word.size() > set.Longest || word.size() > sizeof lowered) return nullptr;
  for (size_t i = 0; i < word.size(); ++i)
    lowered[i] = LowerAscii(word[i]);
  const auto it = set.Words.find(std::string_view(lowered, word.size()));
  return it == set.Words.end() ? nullptr : &it->second;
}

}  // namespace

bool IsSqlKeyword(std::string_view word) {
  return KeywordEntry(word) != nullptr;
}

bool IsReservedSqlWord(std::string_view word) {
  const bool* reserved = KeywordEntry(word);
  return reserved != nullptr && *reserved;
}

bool IsNumberWord(std::string_view word) {
  if (!word.empty() && word[0] == '-') word.remove_prefix(1);
  return !word.empty() && IsDigit(word[0]);
}

bool HoldsLetter(std::string_view utf8Word) {
  for (size_t i = 0; i < utf8Word.size();) {
    bool wellFormed;
    const char32_t c = DecodeUtf8(utf8Word, i, wellFormed);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    if (wellFormed && c >= 0x80 && IsLetterCodePoint(c)) return true;
  }
  return false;
}

bool LooksLikeName(std::string_view utf8Word) {
  size_t characters = 0;
  for (const char c : utf8Word)
    if ((static_cast<uint8_t>(c) & 0xC0) != 0x80) ++characters;
  return characters >= 3 && !IsNumberWord(utf8Word) && HoldsLetter(utf8Word) &&
         !IsSqlKeyword(utf8Word);
}

std::string FoldName(std::string_view utf8Word) {
  std::string folded;
  folded.reserve(utf8Word.size());
  for (size_t i = 0; i < utf8Word.size();) {
    bool wellFormed;
    const char32_t c = DecodeUtf8(utf8Word, i, wellFormed);
    if (wellFormed)
      AppendUtf8(folded, SimpleUpper(c));
    else
      folded += static_cast<char>(c);
  }
  return folded;
}

}  // namespace qualtren
